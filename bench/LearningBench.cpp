// The learning work done on the dictation road: the correction check at the
// start of a dictation (one read of the field) and the did-you-mean search
// after an insertion, 200 words against 500 of the user's words. The aim:
// under 20 ms each. Runs on the test fakes: bench_LearningBench
#include "BenchRun.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionWatch.h"
#include "learning/WordSwapper.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTextWords = 200;
constexpr int kDictionaryWords = 500;

// Made-up words of 5 to 9 letters, the same on every run.
QString madeUpWord(int seed) {
    static const QString letters = QStringLiteral("bcdfghjklmnpqrstvwxzaeiou");
    QString word;
    const int length = 5 + seed % 5;
    for (int i = 0; i < length; ++i)
        word += letters[(seed * 7 + i * 13 + i * i) % letters.size()];
    return word;
}

void BM_FindSwaps200WordsAgainst500(benchmark::State& state) {
    QStringList dictionary;
    for (int i = 0; i < kDictionaryWords; ++i)
        dictionary << madeUpWord(i * 31 + 5);
    QStringList words;
    for (int i = 0; i < kTextWords; ++i)
        words << madeUpWord(i * 17 + 3);
    const QString text = words.join(QLatin1Char(' '));
    AppState appState;
    WordSwapper swapper(appState, [&] { return dictionary; });
    for (auto _ : state)
        benchmark::DoNotOptimize(swapper.findSwaps(text));
    state.counters["aim_ms"] = 20;
}
BENCHMARK(BM_FindSwaps200WordsAgainst500)->Unit(benchmark::kMillisecond);

void BM_CheckForCorrectionAtDictationStart(benchmark::State& state) {
    ScopedFakePlatform fakes;
    QTemporaryDir folder;
    Defaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    defaults.set(QStringLiteral("learnCorrections"), true);
    CorrectionLedger ledger(defaults);
    CorrectionWatch watch({defaults, ledger, [](const QString&) { return false; }, [](const QString&) {}});
    fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), QStringLiteral("editor"), {}, 1};
    auto field = std::make_shared<FakeElement>();
    fakes.accessibility.focused = field;
    const QString before = QStringLiteral("lorem ipsum dolor sit amet ").repeated(2000);
    const QString dictated = QStringLiteral("please call jackson today about the meeting");
    const QString edited = QStringLiteral("please call Jaxon today about the meeting");
    for (auto _ : state) {
        state.PauseTiming();
        field->value = before + dictated;
        watch.noteInsertion(dictated, AXText::Range{before.size(), dictated.size()});
        field->value = before + edited;
        defaults.remove(CorrectionLedger::kSeenKey);
        state.ResumeTiming();
        watch.checkForCorrection();
    }
    state.counters["aim_ms"] = 20;
}
BENCHMARK(BM_CheckForCorrectionAtDictationStart)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
