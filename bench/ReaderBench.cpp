// Reading the selection aloud: the time from the reader's trigger to the first
// sample played (the player's position moving), with the fox sentence selected
// in a Qt target window in another process and the stand-in speech engine
// warm. Split into selection, preparation, synthesis and player start. Also
// compares the two playback backends on the same WAV: Qt's audio sink (used)
// and Qt's media player on its FFmpeg backend. Needs the desktop services:
//   scripts/run-tests.sh BUILD -L bench -R Reader -V
#include "BenchRun.h"
#include "cleanup/TextCleanup.h"
#include "dictation/FrontmostApp.h"
#include "engine/MlxServer.h"
#include "insertion/AXText.h"
#include "platform/AudioPlayer.h"
#include "platform/linux/LinuxPlatform.h"
#include "reader/KokoroVoice.h"
#include "reader/ReaderChunks.h"
#include "reader/ReaderController.h"
#include "reader/ReaderSelection.h"
#include "reader/SpeechPreparation.h"
#include "support/Await.h"
#include "support/TargetWindow.h"
#include "support/TestEngine.h"

#include <QApplication>
#include <QAudioOutput>
#include <QBuffer>
#include <QMediaPlayer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

const QString kFox = QStringLiteral("The quick brown fox jumps over the lazy dog.");
constexpr int kStartTimeoutMs = 5000;

std::unique_ptr<TargetWindow::Process> target;
bool engineUp = false;
QByteArray foxWav;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Plays `wav` and returns when the player's position has moved; false when it
// did not within the time-out. The player is stopped afterwards.
bool startAndWaitForSound(AudioPlayer& player) {
    if (!player.play())
        return false;
    const bool moved = TargetWindow::spinUntil([&] { return player.position().count() > 0; }, kStartTimeoutMs);
    player.stop();
    return moved;
}

void BM_ReadSelectionToFirstSample(benchmark::State& state) {
    if (!target || !target->ready() || !engineUp) {
        state.SkipWithError("no target window or engine (run under the desktop harness)");
        return;
    }
    QObject context;
    const QString voice = KokoroVoice::all().first().id;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const std::optional<QString> selected = awaitResult(ReaderSelection::read(&context), kStartTimeoutMs);
        const double selection = millisecondsSince(start);

        Clock::time_point stage = Clock::now();
        const QString prepared = SpeechPreparation::applyPronunciations(TextCleanup::postProcess(selected.value_or(QString())));
        const QStringList chunks = ReaderChunks::splitForReader(prepared);
        const double preparation = millisecondsSince(stage);

        stage = Clock::now();
        const std::optional<QByteArray> wav =
            chunks.isEmpty() ? std::nullopt
                             : awaitResult(ReaderController::synthesize(MlxServer::baseURL(), chunks.first(), voice, 1.0), 30000);
        const double synthesis = millisecondsSince(stage);

        stage = Clock::now();
        std::unique_ptr<AudioPlayer> player = wav ? Platform::current().audioPlayers->create(*wav) : nullptr;
        const bool sounded = player && startAndWaitForSound(*player);
        const double playerStart = millisecondsSince(stage);
        const double total = millisecondsSince(start);
        if (selected != kFox || !sounded) {
            state.SkipWithError(selected != kFox ? "the selection was not read" : "the player did not start");
            return;
        }
        state.SetIterationTime(total / 1000.0);
        state.counters["selection_ms"] = selection;
        state.counters["preparation_ms"] = preparation;
        state.counters["synthesis_ms"] = synthesis;
        state.counters["player_start_ms"] = playerStart;
    }
}
BENCHMARK(BM_ReadSelectionToFirstSample)->UseManualTime()->Iterations(1)->Repetitions(20)
    ->DisplayAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_PlayerStartAudioSink(benchmark::State& state) {
    if (foxWav.isEmpty()) {
        state.SkipWithError("no speech to play");
        return;
    }
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        std::unique_ptr<AudioPlayer> player = Platform::current().audioPlayers->create(foxWav);
        if (!player || !startAndWaitForSound(*player)) {
            state.SkipWithError("the audio sink did not start");
            return;
        }
        state.SetIterationTime(millisecondsSince(start) / 1000.0);
    }
}
BENCHMARK(BM_PlayerStartAudioSink)->UseManualTime()->Iterations(1)->Repetitions(20)
    ->DisplayAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// Qt's media player from memory, on the FFmpeg backend chosen in main().
void BM_PlayerStartMediaPlayerFfmpeg(benchmark::State& state) {
    if (foxWav.isEmpty()) {
        state.SkipWithError("no speech to play");
        return;
    }
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        QBuffer buffer;
        buffer.setData(foxWav);
        buffer.open(QIODevice::ReadOnly);
        QAudioOutput output;
        QMediaPlayer player;
        player.setAudioOutput(&output);
        player.setSourceDevice(&buffer, QUrl(QStringLiteral("speech.wav")));
        player.play();
        const bool moved = TargetWindow::spinUntil([&] { return player.position() > 0; }, kStartTimeoutMs);
        const double elapsed = millisecondsSince(start);
        player.stop();
        if (!moved) {
            state.SkipWithError("the media player did not start");
            return;
        }
        state.SetIterationTime(elapsed / 1000.0);
    }
}
BENCHMARK(BM_PlayerStartMediaPlayerFfmpeg)->UseManualTime()->Iterations(1)->Repetitions(20)
    ->DisplayAggregatesOnly(true)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const bool serving = argc > 1 && std::strcmp(argv[1], "--serve-target") == 0;
    QTemporaryDir home;
    if (!serving) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        // Only the media player comparison uses Qt's media backends; the
        // default GStreamer one crashes without its plugins.
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    }
    QApplication app(argc, argv);
    if (serving)
        return TargetWindow::serve(false);
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS")) {
        return BenchRun::notMeasured("no desktop services (run under scripts/run-tests.sh BUILD -L bench)");
    }
    LinuxPlatform services;
    Platform::install(services.services());

    const QString engine = TestEngine::folder();
    if (!engine.isEmpty()) {
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(engine));
        QFuture<bool> ready = MlxServer::shared().ensureReady();
        engineUp = awaitFuture(ready, 120000) && ready.result();
        // Warm: the first synthesis loads the voice.
        if (engineUp)
            foxWav = awaitResult(ReaderController::synthesize(MlxServer::baseURL(), kFox, QStringLiteral("af_heart"), 1.0), 60000)
                         .value_or(QByteArray());
    }
    target = std::make_unique<TargetWindow::Process>(QCoreApplication::applicationFilePath(),
                                                     QStringList{QStringLiteral("--serve-target")},
                                                     QProcessEnvironment::systemEnvironment());
    if (target->ready() && target->ask(QStringLiteral("focus line"), QStringLiteral("focused")) &&
        target->ask(QStringLiteral("type ") + kFox, QStringLiteral("typed"))) {
        TargetWindow::spinUntil(
            [] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid() && AXText::focusedElement() &&
                       AXText::setSelectedRange(0, kFox.size());
            },
            10000);
    }
    const int status = BenchRun::run(&argc, argv);
    target.reset();
    MlxServer::shared().stop();
    return status;
}
