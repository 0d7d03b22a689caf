// The program's own time for a 5 s take on its way to text: WAV encoding, the
// request and the answer's parsing, measured against a loopback server that
// answers at once; and the whole round trip through the running Linux speech
// engine (launched from $QV_ENGINE_ROOT, or from an engine folder made for the
// run), whose difference to the first is the recogniser's time. The engine's
// first take after it starts answering is measured apart from its warm takes:
// the first is what a dictation right after launch waits for.
#include "BenchRun.h"
#include "audio/WavData.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/PortLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int kTakeSamples = 5 * WavData::kSampleRate;
constexpr double kTimeoutSeconds = 120;
constexpr int kTimeoutMs = 120000;
constexpr int kEngineStartMs = 90000;

// Five seconds of flite's slt voice saying a dictation-like sentence.
QList<float> spokenTake(const QString& folder) {
    const QString wav = folder + QStringLiteral("/take.wav");
    QProcess::execute(QStringLiteral("flite"),
                      {QStringLiteral("-voice"), QStringLiteral("slt"), QStringLiteral("-t"),
                       QStringLiteral("please schedule a meeting with the marketing team for next tuesday afternoon"),
                       QStringLiteral("-o"), wav});
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {wav, QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"), QStringLiteral("1"),
               QStringLiteral("-e"), QStringLiteral("float"), QStringLiteral("-b"), QStringLiteral("32"),
               QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-"), QStringLiteral("pad"),
               QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("trim"), QStringLiteral("0"),
               QStringLiteral("5")});
    sox.waitForFinished();
    const QByteArray raw = sox.readAllStandardOutput();
    QList<float> samples(kTakeSamples, 0.0f);
    std::memcpy(samples.data(), raw.constData(), size_t(std::min<qsizetype>(raw.size(), kTakeSamples * 4)));
    return samples;
}

QList<float> take;

// One transcription of the take; false when no text came back.
bool transcribeTake() {
    auto text = Transcriber::transcribe(WavData::encode(take), kTimeoutSeconds);
    return awaitFuture(text, kTimeoutMs) && !text.isCanceled() && text.resultCount() > 0 && !text.result().isEmpty();
}

bool engineReady() {
    auto ready = MlxServer::shared().ensureReady();
    return awaitFuture(ready, kEngineStartMs) && ready.result();
}

void BM_EncodeFiveSecondTake(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(WavData::encode(take));
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
    for (auto _ : state) {
        if (!transcribeTake()) {
            state.SkipWithError("no transcript came back");
            return;
        }
    }
}
BENCHMARK(BM_TakeOutsideRecogniser)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first take a freshly launched engine decodes, timed from the moment its
// model list first answers. Each repetition launches the engine anew.
void BM_FirstTakeAfterEngineStart(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        MlxServer::shared().stop();
        const bool ready = engineReady();
        state.ResumeTiming();
        if (!ready) {
            state.SkipWithError("the speech engine did not start");
            return;
        }
        if (!transcribeTake()) {
            state.SkipWithError("no transcript came back");
            return;
        }
    }
}
BENCHMARK(BM_FirstTakeAfterEngineStart)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);

// Takes of an engine that has already decoded one.
void BM_WarmTake(benchmark::State& state) {
    if (!engineReady() || !transcribeTake()) {
        state.SkipWithError("the speech engine did not start");
        return;
    }
    for (auto _ : state) {
        if (!transcribeTake()) {
            state.SkipWithError("no transcript came back");
            return;
        }
    }
}
BENCHMARK(BM_WarmTake)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    // Logs and any engine folder made here stay out of the user's own.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    // The engine's fixed port is this program's while it runs, as it is a test's.
    const PortLock portLock(MlxServer::port);
    if (!QFileInfo::exists(MlxServer::interpreter())) {
        const QString engine = home.path() + QStringLiteral("/engine");
        QProcess::execute(QStringLiteral(QUORVANE_SOURCE_DIR "/scripts/make-engine.sh"), {engine});
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(engine));
    }
    take = spokenTake(home.path());

    const int status = BenchRun::run(&argc, argv);
    MlxServer::shared().stop();
    return status;
}
