// The focused element of a big application (some three thousand elements) in
// another process, under the desktop services: once the focus has moved to a
// field at the bottom of the window, as at a dictation's start in a new field,
// and, for comparison, the walk over the window that questions make when
// nothing was heard from the application: the longest a question holds the
// GUI thread while the walk goes on in slices, and the time until the walk
// has found the field.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "BenchRun.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform_linux_desktop/BigForm.h"
#include "platform_linux_desktop/FocusGains.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<BigForm::Window> target;
std::unique_ptr<FocusGains> gains;
EwmhWorkspace* workspace = nullptr;
// The target's field that has the focus.
QString focusedField;

// How long `accessibility` takes to name the focused element; nothing when it
// named another one.
std::optional<double> timedQuestion(AtspiAccessibility& accessibility, const QString& field) {
    const auto start = std::chrono::steady_clock::now();
    const std::shared_ptr<AccessibleElement> focused = accessibility.focusedElement();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    if (!focused || focused->name() != field)
        return std::nullopt;
    return elapsed.count();
}

// Moves the focus to `field` and waits until the gain is heard.
bool moveFocus(const QString& field) {
    if (field == focusedField)
        return true;
    const int before = gains->count();
    if (!target->ask(QStringLiteral("focus ") + field, QStringLiteral("focused"))
        || !TargetWindow::spinUntil([&] { return gains->count() > before; }, 10000))
        return false;
    focusedField = field;
    return true;
}

QString otherField() { return focusedField == BigForm::kDeep ? BigForm::kFirst : BigForm::kDeep; }

void BM_FocusedElementAfterAFocusMove(benchmark::State& state) {
    if (!target) {
        state.SkipWithError("no target window (run under the desktop harness)");
        return;
    }
    // The first questions walk, and the toolkit's events are heard from then on.
    AtspiAccessibility accessibility(workspace);
    if (!TargetWindow::spinUntil([&] { return timedQuestion(accessibility, focusedField).has_value(); }, 20000)) {
        state.SkipWithError("the focused field was not found");
        return;
    }
    std::vector<double> timings;
    for (auto _ : state) {
        const QString field = otherField();
        if (!moveFocus(field)) {
            state.SkipWithError("the focus did not move");
            return;
        }
        const std::optional<double> taken = timedQuestion(accessibility, field);
        if (!taken) {
            state.SkipWithError("another element was named focused");
            return;
        }
        state.SetIterationTime(*taken / 1000);
        timings.push_back(*taken);
    }
    BenchRun::reportSpread(state, timings);
}
BENCHMARK(BM_FocusedElementAfterAFocusMove)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// A new accessibility object has heard nothing: its first question starts a
// walk, which goes on between turns of the event loop; the questions asked
// meanwhile, as a dictation's start asks, each take at most one slice of it.
void BM_FocusedElementByWalking(benchmark::State& state) {
    if (!target || !moveFocus(BigForm::kDeep)) {
        state.SkipWithError("no target window (run under the desktop harness)");
        return;
    }
    std::vector<double> longest;
    std::vector<double> untilFound;
    for (auto _ : state) {
        AtspiAccessibility accessibility(workspace);
        double held = 0;
        bool found = false;
        const auto start = std::chrono::steady_clock::now();
        const bool answered = TargetWindow::spinUntil(
            [&] {
                const auto asked = std::chrono::steady_clock::now();
                const std::shared_ptr<AccessibleElement> focused = accessibility.focusedElement();
                const std::chrono::duration<double, std::milli> taken = std::chrono::steady_clock::now() - asked;
                held = std::max(held, taken.count());
                found = focused && focused->name() == BigForm::kDeep;
                return found;
            },
            20000);
        const std::chrono::duration<double, std::milli> total = std::chrono::steady_clock::now() - start;
        if (!answered || !found) {
            state.SkipWithError("the deep field was not found focused");
            return;
        }
        state.SetIterationTime(held / 1000);
        longest.push_back(held);
        untilFound.push_back(total.count());
    }
    BenchRun::reportSpread(state, longest);
    std::sort(untilFound.begin(), untilFound.end());
    state.counters["found_median_ms"] = untilFound[untilFound.size() / 2];
}
BENCHMARK(BM_FocusedElementByWalking)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    if (const std::optional<int> result = ChildRole::runRequested())
        return *result;
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        return BenchRun::notMeasured("no desktop services (run under scripts/run-tests.sh BUILD -L bench)");
    // 0: connected now, 1: connected before.
    if (atspi_init() > 1)
        return BenchRun::notMeasured("no accessibility bus");
    gains = std::make_unique<FocusGains>();
    EwmhWorkspace front;
    workspace = &front;
    target = std::make_unique<BigForm::Window>();
    const bool ready = target->ready() && moveFocus(BigForm::kDeep)
                       && TargetWindow::spinUntil(
                           [&] {
                               const std::optional<Workspace::Application> app = front.frontmostApplication();
                               return app && app->pid == target->pid();
                           },
                           20000);
    if (!ready)
        target.reset();
    const int status = BenchRun::run(&argc, argv);
    target.reset();
    gains.reset();
    return status;
}
