// The read-along page on a 5,000-word reading: one playback tick (the
// timeline lookups and the restyle of what changed) and the first layout of
// all the word labels. Aims: a tick's median under 1 ms, the first layout
// under 50 ms. Runs offscreen:
//   build/bench/bench_ReadAlongBench
#include "BenchRun.h"
#include "reader/ReaderWindowController.h"
#include "reader/ReaderWindowView.h"
#include "support/Defaults.h"
#include "support/FakeAudioPlayers.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLayout>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
using Timed = ReaderWindowController::TimedResult;

constexpr int kWords = 5000;
constexpr int kSentenceLength = 12;
constexpr double kWordSeconds = 0.3;
constexpr std::chrono::milliseconds kTick{1000 / 30};

// About 1,500 distinct made-up words, as a long text would have.
QString word(int i) {
    static const char* const kSyllables[] = {"ra", "mo", "len", "ti", "var", "os", "qui", "bel",
                                              "dor", "an", "es", "pu", "lin", "ka", "ser", "tho"};
    constexpr int kDistinct = 1500;
    int n = (i * 7919) % kDistinct;
    QString text;
    do {
        text += QLatin1String(kSyllables[n % std::size(kSyllables)]);
        n /= int(std::size(kSyllables));
    } while (n > 0);
    return text;
}

Timed reading() {
    Timed timed;
    timed.audio = "RIFF";
    for (int i = 0; i < kWords; ++i) {
        QString text = word(i);
        if (i % kSentenceLength == kSentenceLength - 1)
            text += u'.';
        timed.words.append({text, i * kWordSeconds, i * kWordSeconds + kWordSeconds * 0.9});
    }
    timed.duration = kWords * kWordSeconds;
    return timed;
}

// A controller with fake engine and player, and its view on screen.
struct Page {
    QTemporaryDir folder;
    Defaults defaults{folder.filePath(QStringLiteral("defaults.json"))};
    FakeAudioPlayers players;
    std::unique_ptr<ReaderWindowController> controller;
    std::unique_ptr<ReaderWindowView> view;

    Page() {
        players.duration = std::chrono::milliseconds(qint64(kWords * kWordSeconds * 1000));
        ReaderWindowController::Services services;
        services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
        const Timed timed = reading();
        services.synthesize = [timed](const QString&, const QString&) {
            return QtFuture::makeReadyFuture(std::optional<Timed>(timed));
        };
        services.selectedVoice = [] { return QStringLiteral("af_heart"); };
        services.pronunciations = [] { return QList<ReadAloudEntry>{}; };
        services.players = [this] { return &players; };
        services.makesWindow = false;
        controller = std::make_unique<ReaderWindowController>(services);
        view = std::make_unique<ReaderWindowView>(*controller, defaults);
        view->resize(ReaderWindowController::kWindowWidth, ReaderWindowController::kWindowHeight);
        view->show();
        QCoreApplication::processEvents();
    }

    // The reading's result arriving, its labels made and laid out; the
    // seconds of each half.
    std::pair<double, double> readAndLayOut() {
        const auto start = Clock::now();
        (void)controller->read(QStringLiteral("text"));
        while (controller->preparing())
            QCoreApplication::processEvents();
        const auto made = Clock::now();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const auto laidOut = Clock::now();
        return {std::chrono::duration<double>(made - start).count(), std::chrono::duration<double>(laidOut - made).count()};
    }
};

void firstLayout(benchmark::State& state) {
    double making = 0;
    double layout = 0;
    for (auto _ : state) {
        Page page;
        const auto [made, laidOut] = page.readAndLayOut();
        state.SetIterationTime(made + laidOut);
        making += made;
        layout += laidOut;
        benchmark::DoNotOptimize(page.view->wordLabels().size());
    }
    state.counters["labels_ms"] = making * 1000 / double(state.iterations());
    state.counters["layout_ms"] = layout * 1000 / double(state.iterations());
}
BENCHMARK(firstLayout)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->DisplayAggregatesOnly(true);

void tick(benchmark::State& state) {
    Page page;
    page.readAndLayOut();
    std::vector<double> times;
    std::chrono::milliseconds position{0};
    for (auto _ : state) {
        position += kTick;
        page.controller->player()->seek(position);
        const auto start = Clock::now();
        page.controller->tick();
        const double spent = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(spent);
        times.push_back(spent * 1000.0);
    }
    BenchRun::reportSpread(state, times);
}
BENCHMARK(tick)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3000);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int status = BenchRun::run(&argc, argv);
    return status;
}
