// The bubble's show under Xvfb: from show(listening) to the panel's first
// painted frame. Aims: 50 ms for the first show, which builds the panel, and
// 8 ms for a later show of the built panel. Needs an X display:
// scripts/run-tests.sh BUILD -L bench -R Bubble -V
#include "BenchRun.h"
#include "PaintWatch.h"
#include "dictation/BubblePanel.h"
#include "dictation/BubbleView.h"
#include "state/AppState.h"
#include "support/Defaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The panel on the real screens, without screen-text reads (measured by the
// screen-text benchmark) and without a key watch.
BubblePanel::Desktop desktop() {
    BubblePanel::Desktop d = BubblePanel::Desktop::standard();
    d.caretRect = [] { return std::optional<QRectF>(); };
    d.focusedWindowRect = [] { return std::optional<QRectF>(); };
    d.frontmostName = [] { return QString(); };
    d.keys = [] { return static_cast<Hotkeys*>(nullptr); };
    d.trace = [](const QString&) {};
    return d;
}

// Shows the panel and waits for its view's first paint; gives the seconds taken.
double showUntilPainted(BubblePanel& panel, AppState& state) {
    PaintWatch watch;
    QElapsedTimer clock;
    clock.start();
    panel.show(BubbleMode::Listening);
    panel.view()->installEventFilter(&watch);
    while (!watch.painted && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    panel.view()->removeEventFilter(&watch);
    state.setLiveText(QString());
    return seconds;
}

struct Setting {
    QTemporaryDir folder;
    Defaults defaults{folder.filePath(QStringLiteral("defaults.json"))};
    AppState state;
};

void firstShow(benchmark::State& bench) {
    Setting setting;
    for (auto _ : bench) {
        BubblePanel panel(setting.state, setting.defaults, desktop());
        bench.SetIterationTime(showUntilPainted(panel, setting.state));
        panel.hide();
    }
}
BENCHMARK(firstShow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true);

void laterShow(benchmark::State& bench) {
    Setting setting;
    BubblePanel panel(setting.state, setting.defaults, desktop());
    showUntilPainted(panel, setting.state);
    panel.hide();
    int take = 0;
    for (auto _ : bench) {
        setting.state.setLiveText(QStringLiteral("take %1").arg(++take));
        bench.SetIterationTime(showUntilPainted(panel, setting.state));
        panel.hide();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(laterShow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(100)
    ->DisplayAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return BenchRun::notMeasured("no X display (run it through scripts/run-tests.sh)");
    }
    QApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
