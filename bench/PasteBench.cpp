// The time from PasteService::paste() to the pasted text being readable in
// the target field through the accessibility bus, with a Qt target window in
// another process. Needs the desktop services (X display, session and
// accessibility buses): run under scripts/run-tests.sh BUILD -L bench.
#include "BenchRun.h"
#include "dictation/FrontmostApp.h"
#include "insertion/AXText.h"
#include "insertion/PasteService.h"
#include "platform/Pasteboard.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<TargetWindow::Process> target;

void BM_PasteToVisible(benchmark::State& state) {
    if (!target || !target->ready()) {
        state.SkipWithError("no target window (run under the desktop harness)");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        const QString text = QStringLiteral(" Grüße, \U0001F44B from Quorvane %1").arg(++round);
        bool fetched = false;
        const auto start = std::chrono::steady_clock::now();
        PasteService::paste(text);
        Platform::current().pasteboard->whenFetched([&] { fetched = true; });
        const bool visible =
            TargetWindow::spinUntil([&] { return fetched && AXText::textBeforeCaret(text.size()) == text; }, 5000);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!visible) {
            state.SkipWithError("the pasted text did not appear");
            return;
        }
        state.SetIterationTime(elapsed.count());
    }
}
BENCHMARK(BM_PasteToVisible)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const bool serving = argc > 1 && std::strcmp(argv[1], "--serve-target") == 0;
    // Settings go to a throw-away folder, not the user's.
    QTemporaryDir home;
    if (!serving)
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    if (serving)
        return TargetWindow::serve(false);

    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS")) {
        return BenchRun::notMeasured("no desktop services (run under scripts/run-tests.sh BUILD -L bench)");
    }
    LinuxPlatform services;
    Platform::install(services.services());
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    target = std::make_unique<TargetWindow::Process>(QCoreApplication::applicationFilePath(),
                                                     QStringList{QStringLiteral("--serve-target")},
                                                     QProcessEnvironment::systemEnvironment());
    if (target->ready() && target->ask(QStringLiteral("focus line"), QStringLiteral("focused"))) {
        TargetWindow::spinUntil(
            [] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid() && AXText::focusedElement();
            },
            10000);
    }
    const int status = BenchRun::run(&argc, argv);
    target.reset();
    return status;
}
