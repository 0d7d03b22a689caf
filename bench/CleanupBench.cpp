// What the stop of a dictation runs on its text when no model answers: the
// transcript's numbers and post-processing, then the rules-only clean (aim:
// under 5 ms per 1,000 words). And the worst case of the spoken-address pass,
// 100,000 characters of a mailbox that never ends (aim: under 200 ms).
#include "BenchRun.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/SpokenAddresses.h"
#include "cleanup/TextCleanup.h"

#include <QCoreApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

constexpr int kWords = 1000;
constexpr qsizetype kWorstCaseCharacters = 100000;

QString transcript(int words) {
    const QStringList sentences = {
        QStringLiteral("um so I think we should uh push the launch to next week"),
        QStringLiteral("the discount is twenty five percent off for the first three months"),
        QStringLiteral("my email is john dot smith at gmail dot com if you need anything"),
        QStringLiteral("we need three chairs and two tables for the the conference room"),
        QStringLiteral("you know, the invoice came to four thousand two hundred dollars and fifty cents"),
        QStringLiteral("call me at five five five one two three four before noon"),
        QStringLiteral("it runs at sixty fps on a three GHz chip with sixteen GB of memory"),
        QStringLiteral("I met Sarah at Yahoo last year and we worked at the office at six"),
        QStringLiteral("go to example dot com and check the deals on the twenty first of march"),
    };
    QString text;
    int count = 0;
    for (int i = 0; count < words; ++i) {
        const QString& sentence = sentences[i % sentences.size()];
        text += sentence + QStringLiteral(". ");
        count += int(sentence.count(QLatin1Char(' ')) + 1);
    }
    return text;
}

// The stop path of DictationController::processTranscript with the cleanup's
// rules path (CleanupEngine::clean when neither the helper nor the model server
// is there), run synchronously.
QString stopPath(const QString& raw, NumberStyle style) {
    const QString text = TextCleanup::postProcess(CleanupEngine::digitizeNumbers(raw, style));
    return CleanupEngine::rulesOnlyClean(text, style, true);
}

void stopPathPer1000Words(benchmark::State& state, NumberStyle numberStyle) {
    const QString text = transcript(kWords);
    for (auto _ : state) {
        QString typed = stopPath(text, numberStyle);
        benchmark::DoNotOptimize(typed);
    }
    state.SetLabel("1000 words");
}

QString repeatedTo(const QString& piece, qsizetype characters, const QString& ending = {}) {
    QString text;
    while (text.size() + piece.size() <= characters)
        text += piece;
    return text + ending;
}

void emailAddresses(benchmark::State& state, const QString& text) {
    for (auto _ : state) {
        QString written = CleanupEngine::normalizeSpokenEmails(text);
        benchmark::DoNotOptimize(written);
    }
    state.SetLabel(QStringLiteral("%1 characters").arg(text.size()).toStdString());
}

void siteNames(benchmark::State& state, const QString& text) {
    for (auto _ : state) {
        QString written = SpokenAddresses::writeSiteNames(text);
        benchmark::DoNotOptimize(written);
    }
    state.SetLabel(QStringLiteral("%1 characters").arg(text.size()).toStdString());
}

void stopPathOfTheWorstCase(benchmark::State& state) {
    const QString text = repeatedTo(QStringLiteral("a underscore "), kWorstCaseCharacters);
    for (auto _ : state) {
        QString typed = stopPath(text, NumberStyle::Smart);
        benchmark::DoNotOptimize(typed);
    }
    state.SetLabel(QStringLiteral("%1 characters").arg(text.size()).toStdString());
}

BENCHMARK_CAPTURE(stopPathPer1000Words, smart, NumberStyle::Smart)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stopPathPer1000Words, digits, NumberStyle::Digits)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stopPathPer1000Words, words, NumberStyle::Words)->Unit(benchmark::kMillisecond);
// The address passes' share of the stop path.
BENCHMARK_CAPTURE(emailAddresses, per1000Words, transcript(kWords))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(siteNames, per1000Words, transcript(kWords))->Unit(benchmark::kMillisecond);
// A mailbox of 100,000 characters: without "at", and with an address at its end
// so that the whole mailbox is read.
BENCHMARK_CAPTURE(emailAddresses, underscoreMailbox, repeatedTo(QStringLiteral("a underscore "), kWorstCaseCharacters))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(emailAddresses, underscoreMailboxWithDomain,
                  repeatedTo(QStringLiteral("a underscore "), kWorstCaseCharacters,
                             QStringLiteral("a at example dot com")))
    ->Unit(benchmark::kMillisecond);
// Every word an "at" with a cue before it.
BENCHMARK_CAPTURE(emailAddresses, cueBeforeEveryAt,
                  repeatedTo(QStringLiteral("email a at "), kWorstCaseCharacters, QStringLiteral("gmail")))
    ->Unit(benchmark::kMillisecond);
// Site names: a run of labels with no cue before it, and one that ends in a
// top-level domain at every label.
BENCHMARK_CAPTURE(siteNames, wwwRun,
                  repeatedTo(QStringLiteral("www dot "), kWorstCaseCharacters, QStringLiteral("x dot com")))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(siteNames, topLevelDomainRun,
                  QStringLiteral("go to example") + repeatedTo(QStringLiteral(" dot com"), kWorstCaseCharacters))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(stopPathOfTheWorstCase)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
