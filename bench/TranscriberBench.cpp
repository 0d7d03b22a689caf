// The program's own time for a 5 s take on its way to text: WAV encoding, the
// request and the answer's parsing, measured against a loopback server that
// answers at once; and the whole round trip through the running Linux speech
// engine (launched from $QV_ENGINE_ROOT, or from an engine folder made for the
// run), whose difference to the first is the recogniser's time.
#include "dictation/Recorder.h"
#include "dictation/Transcriber.h"
#include "engine/MlxServer.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int takeSamples = 5 * Recorder::sampleRate;

// Five seconds of flite's slt voice saying a dictation-like sentence.
QList<float> spokenTake(const QString& folder) {
    const QString wav = folder + QStringLiteral("/take.wav");
    QProcess::execute(QStringLiteral("flite"),
                      {QStringLiteral("-voice"), QStringLiteral("slt"), QStringLiteral("-t"),
                       QStringLiteral("please schedule a meeting with the marketing team for next tuesday afternoon"),
                       QStringLiteral("-o"), wav});
    QProcess sox;
    sox.start(QStringLiteral("sox"), {wav, QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"),
                                      QStringLiteral("1"), QStringLiteral("-e"), QStringLiteral("float"),
                                      QStringLiteral("-b"), QStringLiteral("32"), QStringLiteral("-t"),
                                      QStringLiteral("raw"), QStringLiteral("-"), QStringLiteral("pad"),
                                      QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("trim"),
                                      QStringLiteral("0"), QStringLiteral("5")});
    sox.waitForFinished();
    const QByteArray raw = sox.readAllStandardOutput();
    QList<float> samples(takeSamples, 0.0f);
    std::memcpy(samples.data(), raw.constData(), size_t(std::min<qsizetype>(raw.size(), takeSamples * 4)));
    return samples;
}

QList<float> take;

void transcribeTake(benchmark::State& state) {
    for (auto _ : state) {
        auto text = Transcriber::transcribe(Recorder::wavData(take), 120);
        if (!awaitFuture(text, 120000) || text.result().isEmpty()) {
            state.SkipWithError("no transcript came back");
            return;
        }
    }
}

void BM_EncodeFiveSecondTake(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Recorder::wavData(take));
}
BENCHMARK(BM_EncodeFiveSecondTake)->Unit(benchmark::kMillisecond);

// Everything the program does for a take but recognising it.
void BM_TakeOutsideRecogniser(benchmark::State& state) {
    LoopbackHttpServer instant;
    if (!instant.listen(MlxServer::port)) {
        state.SkipWithError("port 50061 is taken");
        return;
    }
    instant.on("POST", "/v1/audio/transcriptions", [](const auto&) {
        return LoopbackHttpServer::Response::json(R"({"text":" please schedule a meeting "})");
    });
    transcribeTake(state);
}
BENCHMARK(BM_TakeOutsideRecogniser)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TakeThroughStandInEngine(benchmark::State& state) {
    auto ready = MlxServer::shared().ensureReady();
    if (!awaitFuture(ready, 90000) || !ready.result()) {
        state.SkipWithError("the speech engine did not start");
        return;
    }
    transcribeTake(state);
}
BENCHMARK(BM_TakeThroughStandInEngine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    // Logs and any engine folder made here stay out of the user's own.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    if (!QFileInfo::exists(MlxServer::interpreter())) {
        const QString engine = home.path() + QStringLiteral("/engine");
        QProcess::execute(QStringLiteral(QUORVANE_SOURCE_DIR "/scripts/make-engine.sh"), {engine});
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(engine));
    }
    take = spokenTake(home.path());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    MlxServer::shared().stop();
    return 0;
}
