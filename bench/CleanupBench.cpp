// The rules-only clean of a 1,000-word dictated transcript: aim under 5 ms for
// regexClean followed by digitizeNumbers.
#include "cleanup/CleanupEngine.h"

#include <QCoreApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

QString transcript(int words) {
    const QStringList sentences = {
        QStringLiteral("um so I think we should uh push the launch to next week"),
        QStringLiteral("the discount is twenty five percent off for the first three months"),
        QStringLiteral("my email is john dot smith at gmail dot com if you need anything"),
        QStringLiteral("we need three chairs and two tables for the the conference room"),
        QStringLiteral("you know, the invoice came to four thousand two hundred dollars and fifty cents"),
        QStringLiteral("call me at five five five one two three four before noon"),
        QStringLiteral("it runs at sixty fps on a three GHz chip with sixteen GB of memory"),
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

void regexCleanAndNumbers(benchmark::State& state, const char* style) {
    const QString text = transcript(1000);
    for (auto _ : state) {
        QString cleaned = CleanupEngine::digitizeNumbers(CleanupEngine::regexClean(text), QString::fromLatin1(style));
        benchmark::DoNotOptimize(cleaned);
    }
    state.SetLabel("1000 words");
}

void rulesOnlyClean(benchmark::State& state) {
    const QString text = transcript(1000);
    for (auto _ : state) {
        QString cleaned = CleanupEngine::rulesOnlyClean(text, QStringLiteral("smart"), true);
        benchmark::DoNotOptimize(cleaned);
    }
}

BENCHMARK_CAPTURE(regexCleanAndNumbers, smart, "smart")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(regexCleanAndNumbers, digits, "digits")->Unit(benchmark::kMillisecond);
BENCHMARK(rulesOnlyClean)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
