// Load and save of a full history, and the post-processing pass over a long
// transcript with a large dictionary. Aim: each under 5 ms.
#include "BenchRun.h"
#include "cleanup/TextCleanup.h"
#include "stores/DictionaryStore.h"
#include "stores/HistoryStore.h"
#include "support/Defaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QString sentence(int i) {
    return QStringLiteral("Dictation number %1 went to the editor / and said something long enough to matter, "
                          "with a few commas and words — like this one.")
        .arg(i);
}

void fillHistory(const QString& folder, Defaults& defaults) {
    HistoryStore store(folder, defaults);
    QList<HistoryEntry> entries;
    for (int i = 0; i < HistoryStore::cap; ++i)
        entries.append({QUuid::createUuid(), QDateTime::currentDateTimeUtc().addSecs(-i * 60), QStringLiteral("Editor"),
                        sentence(i), i % 5 == 0 ? std::optional<QString>(sentence(i + 1)) : std::nullopt,
                        i % 5 == 0 ? std::optional<QString>(QStringLiteral("fr")) : std::nullopt,
                        i % 5 == 0 ? std::optional<QString>(QStringLiteral("en")) : std::nullopt});
    store.setEntries(entries);
    store.save();
}

void HistoryLoad500(benchmark::State& state) {
    QTemporaryDir folder;
    Defaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    fillHistory(folder.path(), defaults);
    for (auto _ : state) {
        HistoryStore store(folder.path(), defaults);
        benchmark::DoNotOptimize(store.entries().size());
    }
}
BENCHMARK(HistoryLoad500)->Unit(benchmark::kMillisecond);

void HistorySave500(benchmark::State& state) {
    QTemporaryDir folder;
    Defaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    fillHistory(folder.path(), defaults);
    HistoryStore store(folder.path(), defaults);
    for (auto _ : state)
        store.save();
}
BENCHMARK(HistorySave500)->Unit(benchmark::kMillisecond);

void PostProcess1000Words200Entries(benchmark::State& state) {
    QTemporaryDir folder;
    DictionaryStore dictionary(folder.path());
    QList<DictionaryEntry> entries;
    for (int i = 0; i < 200; ++i)
        entries.append({QUuid::createUuid(),
                        QStringLiteral("Term%1").arg(i),
                        {QStringLiteral("turm %1").arg(i), QStringLiteral("tern%1").arg(i)},
                        QDateTime::currentDateTimeUtc()});
    // A few that the transcript does contain.
    entries.append({QUuid::createUuid(), QStringLiteral("Kubernetes"), {QStringLiteral("cooper netties")}, {}});
    entries.append({QUuid::createUuid(), QStringLiteral("iPhone"), {QStringLiteral("eye phone")}, {}});
    dictionary.setEntries(entries);

    QStringList words;
    const QStringList source = QStringLiteral("so the cooper netties cluster — the big one — runs on my eye phone , "
                                              "which is odd.. right ? we met at 10:30 and paid 1,000 dollars")
                                   .split(QLatin1Char(' '));
    while (words.size() < 1000)
        words += source;
    const QString transcript = words.mid(0, 1000).join(QLatin1Char(' '));
    for (auto _ : state)
        benchmark::DoNotOptimize(TextCleanup::postProcess(transcript));
}
BENCHMARK(PostProcess1000Words200Entries)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    benchmark::AddCustomContext("aim", "each under 5 ms");
    const int status = BenchRun::run(&argc, argv);
    return status;
}
