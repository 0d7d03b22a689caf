// The read-along page: one playback tick on a 5,000-word reading (the
// timeline lookups and the restyle of what changed) and the first layout of
// all the word labels of a 300-word and a 5,000-word reading, the engine's
// words tied to the source text included. Aims: a tick's median under 1 ms,
// the first layout of 300 words under 50 ms. Median, 90th percentile and
// maximum of 20 runs. Runs offscreen:
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
    static const char* const kSyllables[] = {"ra",  "mo", "len", "ti", "var", "os", "qui", "bel",
                                             "dor", "an", "es",  "pu", "lin", "ka", "ser", "tho"};
    constexpr int kDistinct = 1500;
    int n = (i * 7919) % kDistinct;
    QString text;
    do {
        text += QLatin1String(kSyllables[n % std::size(kSyllables)]);
        n /= int(std::size(kSyllables));
    } while (n > 0);
    return text;
}

Timed reading(int words) {
    Timed timed;
    timed.audio = "RIFF";
    for (int i = 0; i < words; ++i) {
        QString text = word(i);
        if (i % kSentenceLength == kSentenceLength - 1)
            text += u'.';
        timed.words.append({text, i * kWordSeconds, i * kWordSeconds + kWordSeconds * 0.9});
    }
    timed.duration = words * kWordSeconds;
    return timed;
}

// The text the engine's words were said from.
QString sourceOf(const Timed& timed) {
    QStringList words;
    for (const Timed::Word& word : timed.words)
        words << word.text;
    return words.join(u' ');
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

// A controller with fake engine and player, and its view on screen.
struct Page {
    QTemporaryDir folder;
    Defaults defaults{folder.filePath(QStringLiteral("defaults.json"))};
    FakeAudioPlayers players;
    std::unique_ptr<ReaderWindowController> controller;
    std::unique_ptr<ReaderWindowView> view;

    QString source;

    explicit Page(int words) {
        players.duration = std::chrono::milliseconds(qint64(words * kWordSeconds * 1000));
        ReaderWindowController::Services services;
        services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
        const Timed timed = reading(words);
        source = sourceOf(timed);
        services.synthesize = [timed](const QString&, const QString&) {
            return QtFuture::makeReadyFuture(std::optional<Timed>(timed));
        };
        services.selectedVoice = [] { return QStringLiteral("af_heart"); };
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
        (void)controller->read(source);
        while (controller->preparing())
            QCoreApplication::processEvents();
        const auto made = Clock::now();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const auto laidOut = Clock::now();
        return {std::chrono::duration<double>(made - start).count(),
                std::chrono::duration<double>(laidOut - made).count()};
    }
};

void firstLayout(benchmark::State& state) {
    double making = 0;
    double layout = 0;
    for (auto _ : state) {
        Page page(int(state.range(0)));
        const auto [made, laidOut] = page.readAndLayOut();
        if (page.view->wordLabels().size() != state.range(0)) {
            state.SkipWithError("the page does not show the reading's words");
            return;
        }
        state.SetIterationTime(made + laidOut);
        making += made;
        layout += laidOut;
        benchmark::DoNotOptimize(page.view->wordLabels().size());
    }
    state.counters["labels_ms"] = making * 1000 / double(state.iterations());
    state.counters["layout_ms"] = layout * 1000 / double(state.iterations());
}
BENCHMARK(firstLayout)
    ->Arg(300)
    ->Arg(kWords)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true)
    ->ComputeStatistics("p90", [](const std::vector<double>& v) { return percentile(v, 0.9); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });

void tick(benchmark::State& state) {
    Page page(kWords);
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
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
