// Onboarding and milestones: from OnboardingWindow::show() to the window's
// first painted frame (aim: under 150 ms), and one synthesis of the milestone
// chime (aim: under 5 ms, it is made anew for every badge). The window runs on
// fakes of the platform and a temporary settings file. Offscreen or under the
// harness: QT_QPA_PLATFORM=offscreen ./bench_OnboardingBench
#include "BenchRun.h"
#include "PaintWatch.h"
#include "engine/EngineBootstrap.h"
#include "onboarding/MilestoneTone.h"
#include "onboarding/OnboardingWindow.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

namespace {

EngineServices idleEngine() {
    EngineServices s;
    s.ensureReady = [] { return QtFuture::makeReadyFuture(false); };
    s.warmUp = [] { return QtFuture::makeReadyFuture(); };
    s.stopServer = [] { return QtFuture::makeReadyFuture(); };
    s.cleanupServerUp = [] { return QtFuture::makeReadyFuture(false); };
    s.startCleanupServer = [] { return QtFuture::makeReadyFuture(); };
    s.checkModel = [] { return QtFuture::makeReadyFuture(-1); };
    return s;
}

void showToFirstPaint(benchmark::State& bench) {
    ScopedFakePlatform platform;
    QTemporaryDir folder;
    Defaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    EngineBootstrap::Setup setup;
    setup.engineRoot = [&folder] { return folder.path(); };
    EngineBootstrap bootstrap(setup, idleEngine());
    auto services = [&] {
        OnboardingServices s;
        s.defaults = &defaults;
        s.bootstrap = &bootstrap;
        s.permissions = &platform.permissions;
        s.delayedCall = DelayedCalls::timers();
        s.offerMove = [] { return false; };
        s.translationAvailable = [] { return false; };
        return s;
    };
    for (auto _ : bench) {
        OnboardingWindow onboarding(services);
        PaintWatch watch;
        QElapsedTimer clock;
        clock.start();
        onboarding.show();
        onboarding.view()->installEventFilter(&watch);
        while (!watch.painted && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        bench.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        onboarding.view()->removeEventFilter(&watch);
    }
}
BENCHMARK(showToFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true);

void chimeSynthesis(benchmark::State& bench) {
    for (auto _ : bench)
        benchmark::DoNotOptimize(MilestoneTone::wav(MilestoneTone::kSampleRate, MilestoneTone::kSeconds));
}
BENCHMARK(chimeSynthesis)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
