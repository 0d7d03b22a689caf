// Reading the text before the caret in a large GTK text view (a toolkit that
// counts offsets in code points), with a megabyte of text and a hand emoji (two
// UTF-16 units) on every line. The aim: the 200 units before the caret in
// under 20 ms, whatever the size of the text before them. Needs the desktop
// services: scripts/run-tests.sh BUILD -L bench -R ScreenText -V
#include "BenchRun.h"
#include "dictation/FrontmostApp.h"
#include "insertion/AXText.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

constexpr qint64 kTextUnits = 1000000;
constexpr qint64 kReadUnits = 200;
// One line of the text; the target ends each with a line feed.
const QString kLine = QStringLiteral("lorem ipsum dolor sit amet \U0001F44B ");
const QString kFullLine = kLine + QLatin1Char('\n');

std::unique_ptr<TargetWindow::Process> target;
QString expected;

// Times one read of the units before the caret; false when it read wrong.
bool timedRead(benchmark::State& state) {
    const auto start = std::chrono::steady_clock::now();
    const std::optional<QString> before = AXText::textBeforeCaret(kReadUnits);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (before != expected) {
        state.SkipWithError("the text before the caret was read wrong");
        return false;
    }
    state.SetIterationTime(elapsed.count());
    return true;
}

void BM_TextBeforeCaretInALargeGtkText(benchmark::State& state) {
    if (!target) {
        state.SkipWithError("no GTK target window (run under the desktop harness)");
        return;
    }
    for (auto _ : state)
        if (!timedRead(state))
            return;
    state.counters["aim_ms"] = 20;
}
BENCHMARK(BM_TextBeforeCaretInALargeGtkText)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(30)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The same read right after the application changed its text (a line typed at
// the caret, hand included), as after each paste.
void BM_TextBeforeCaretAfterAnEdit(benchmark::State& state) {
    if (!target) {
        state.SkipWithError("no GTK target window (run under the desktop harness)");
        return;
    }
    for (auto _ : state) {
        if (!target->ask(QStringLiteral("type ") + kLine, QStringLiteral("typed"))
            || !target->ask(QStringLiteral("newline"), QStringLiteral("typed"))) {
            state.SkipWithError("the target did not type");
            return;
        }
        if (!timedRead(state))
            return;
    }
    state.counters["aim_ms"] = 20;
}
BENCHMARK(BM_TextBeforeCaretAfterAnEdit)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(30)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS")) {
        return BenchRun::notMeasured("no desktop services (run under scripts/run-tests.sh BUILD -L bench)");
    }
    LinuxPlatform services;
    Platform::install(services.services());
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const qint64 lines = kTextUnits / kFullLine.size();
    target = std::make_unique<TargetWindow::Process>(
        QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(QUORVANE_TEST_SOURCE "/support/gtk_target.py")},
        QProcessEnvironment::systemEnvironment());
    const bool ready =
        target->ready() && target->ask(QStringLiteral("focus area"), QStringLiteral("focused"))
        && target->ask(QStringLiteral("fill %1 %2").arg(lines).arg(kLine), QStringLiteral("filled"), 20000)
        && TargetWindow::spinUntil(
            [&] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid()
                       && AXText::selectedRange() == AXText::Range{lines * kFullLine.size(), 0};
            },
            20000);
    if (!ready)
        target.reset();
    expected = kFullLine.repeated(int(kReadUnits / kFullLine.size()) + 2).right(kReadUnits);
    const int status = BenchRun::run(&argc, argv);
    target.reset();
    return status;
}
