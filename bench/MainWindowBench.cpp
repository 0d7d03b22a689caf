// The main window from show() to the Dashboard's first painted frame, with
// 500 dictations in the history and 50 notes from the phone. Aims: under
// 200 ms for the first open in a fresh process (coldOpen, which runs first),
// under 20 ms for showing the closed window again (reshow).
// Offscreen: build/bench/bench_MainWindowBench
// On X:      scripts/run-tests.sh BUILD -L bench (or run it under any display)
#include "WidgetBenchMain.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/MainWindowHost.h"
#include "mainwindow/MainWindowView.h"
#include "platform/Platform.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/FakeNoteTarget.h"
#include "support/FakePhoneNotesInbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kEntries = 500;
constexpr int kNotes = 50;

// Notes the first paint of anything inside a Dashboard.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || painted)
            return false;
        for (QObject* at = watched; at; at = at->parent())
            if (qobject_cast<DashboardPane*>(at)) {
                painted = true;
                break;
            }
        return false;
    }
};

// Stores full of realistic entries, and a host over them.
struct Setting {
    QTemporaryDir folder;
    Defaults defaults{folder.filePath(QStringLiteral("defaults.json"))};
    StatsStore stats{folder.filePath(QStringLiteral("data"))};
    HistoryStore history{folder.filePath(QStringLiteral("data")), defaults};
    FakePhoneNotesInbox inbox;
    FakeNoteTarget target;
    AppState app;
    std::unique_ptr<MainWindowHost> host;

    Setting() {
        const QDateTime now = QDateTime::currentDateTime();
        QList<HistoryEntry> entries;
        for (int i = 0; i < kEntries; ++i) {
            HistoryEntry entry{QUuid::createUuid(),
                               now.addSecs(-60 * i),
                               QStringLiteral("Editor"),
                               QStringLiteral("Dictation number %1: please move the review to Thursday afternoon and "
                                              "tell the team the slides are ready.")
                                   .arg(i),
                               {},
                               {},
                               {}};
            if (i % 5 == 0) {
                entry.original = QStringLiteral("the words as they were said, number %1").arg(i);
                entry.translatedTo = QStringLiteral("es");
            }
            entries.append(entry);
        }
        history.setEntries(entries);
        QList<PhoneNote> notes;
        for (int i = 0; i < kNotes; ++i)
            notes.append({QUuid::createUuid(),
                          {},
                          QStringLiteral("Phone note %1 with a few words to read.").arg(i),
                          now.addSecs(-120 * i),
                          4,
                          {},
                          {},
                          QStringLiteral("phone note %1 as said").arg(i),
                          QStringLiteral("Notes")});
        inbox.accept(notes);
        stats.setTotals({123456, 2000, 40000});
        host = std::make_unique<MainWindowHost>(
            app, defaults,
            [this](AppState& state) {
                return new MainWindowView(
                    state,
                    [this](MainWindowPane pane) -> QWidget* {
                        if (pane != MainWindowPane::Dashboard)
                            return MainWindowView::titlePage(pane);
                        DashboardServices services = DashboardServices::standard(stats, history, inbox, &target);
                        services.defaults = &defaults;
                        return new DashboardPane(services);
                    },
                    true);
            },
            folder.filePath(QStringLiteral("main-window.log")), DelayedCalls::timers());
    }
};

// Shows the window and waits for the Dashboard's first paint; gives the seconds taken.
double showUntilPainted(MainWindowHost& host) {
    PaintWatch watch;
    qApp->installEventFilter(&watch);
    QElapsedTimer clock;
    clock.start();
    host.show(std::nullopt);
    if (qEnvironmentVariableIsSet("QV_BENCH_SPLIT"))
        std::fprintf(stderr, "show() returned after %.1f ms\n", double(clock.nsecsElapsed()) / 1e6);
    while (!watch.painted && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    qApp->removeEventFilter(&watch);
    return seconds;
}

void close(MainWindowHost& host) {
    host.window()->close();
    QCoreApplication::processEvents();
}

// The first window of this process: styles, fonts and symbols are loaded on the way.
void coldOpen(benchmark::State& bench) {
    for (auto _ : bench) {
        Setting setting;
        bench.SetIterationTime(showUntilPainted(*setting.host));
        close(*setting.host);
    }
}
BENCHMARK(coldOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A new window once the process has shown one.
void firstOpen(benchmark::State& bench) {
    for (auto _ : bench) {
        Setting setting;
        bench.SetIterationTime(showUntilPainted(*setting.host));
        close(*setting.host);
    }
}
BENCHMARK(firstOpen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

// The closed window shown again: the Dashboard is built afresh.
void reshow(benchmark::State& bench) {
    Setting setting;
    showUntilPainted(*setting.host);
    close(*setting.host);
    for (auto _ : bench) {
        bench.SetIterationTime(showUntilPainted(*setting.host));
        close(*setting.host);
    }
}
BENCHMARK(reshow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) { return runWidgetBenchmarks(argc, argv); }
