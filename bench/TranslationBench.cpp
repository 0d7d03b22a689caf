// Translation on the real Apertium with its English-Spanish pair:
//  - a catalogue refresh, from the call to both lists published (aim ≤ 20 ms);
//  - the read-translated double-tap on two selected sentences, from the key
//    handler to the first translated piece handed to the reader, Apertium warm.
//    The reader's own time to first audio is ReaderBench's; the two add up to
//    the double-tap-to-first-audio figure (aim ≤ 800 ms).
// Runs anywhere Apertium is installed: build/bench/bench_TranslationBench
#include "BenchRun.h"
#include "platform/Platform.h"
#include "platform/linux/ApertiumTranslator.h"
#include "platform/linux/Cld2LanguageDetector.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "translation/TranslateKeys.h"
#include "translator/TranslationCatalog.h"

#include <QApplication>
#include <QPromise>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

const QString kTwoSentences =
    QStringLiteral("Please schedule a meeting with the marketing team for next Tuesday afternoon. "
                   "The room on the second floor is free all day, and lunch will be served.");

struct RealTranslation {
    RealTranslation() {
        Platform services = Platform::current();
        services.onDeviceTranslator = &apertium;
        services.languageDetector = &detector;
        Platform::install(services);
        Defaults::shared().set(QStringLiteral("translationReadTarget"), QStringLiteral("es"));
    }
    ApertiumTranslator apertium;
    Cld2LanguageDetector detector;
};

void BM_CatalogueRefresh(benchmark::State& state) {
    RealTranslation real;
    TranslationCatalog catalog(TranslationCatalog::Services::standard());
    for (auto _ : state) {
        const bool done = awaitFuture(catalog.refresh(true), 5000);
        if (!done || catalog.targets().isEmpty()) {
            state.SkipWithError("the refresh did not finish with a reading language");
            return;
        }
    }
}
BENCHMARK(BM_CatalogueRefresh)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

void BM_ReadTranslatedKeyToFirstPiece(benchmark::State& state) {
    RealTranslation real;
    AppState app;
    TranslateKeys::Services services = TranslateKeys::Services::standard();
    services.selectedText = [](QObject*) { return QtFuture::makeReadyFuture(std::optional<QString>(kTwoSentences)); };
    services.trace = [](const QString&) {};
    Clock::time_point firstPiece;
    bool spoke = false;
    services.speak = [&](const QString&) {
        if (!spoke) {
            firstPiece = Clock::now();
            spoke = true;
        }
        return QtFuture::makeReadyFuture();
    };
    TranslateKeys keys(app, services);
    // Warm: the pair's data files are in the page cache after one run.
    awaitFuture(keys.readTranslated(kTwoSentences), 60000);
    for (auto _ : state) {
        spoke = false;
        const Clock::time_point pressed = Clock::now();
        keys.translateReadKeyPressed();
        while (!spoke)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        state.SetIterationTime(std::chrono::duration<double>(firstPiece - pressed).count());
        // Let the rest of the reading finish before the next press.
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(400);
        while (Clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}
BENCHMARK(BM_ReadTranslatedKeyToFirstPiece)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const int status = BenchRun::run(&argc, argv);
    return status;
}
