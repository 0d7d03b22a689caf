// Reading aloud, heard at the harness's speaker monitor:
// - Read Selection to the first audible sample, with a two-sentence
//   selection in a Qt target window in another process and the stand-in
//   speech engine warm; split into selection, preparation, synthesis and
//   output start. Aim: 300 ms.
// - The silence the direct reader puts between chunks (each chunk a second of
//   voiced sound with no pause of its own). Aim: 20 ms.
// - Speed 1.5x against 1x on the same sound: the change of its fundamental
//   frequency (aim within 5 %) and of its length against 1/1.5 (aim within
//   3 %), for a voiced buzz and for the engine's speech.
// Median, 90th percentile and maximum of the repetitions. Also compares the
// two playback backends on the same WAV by the player's position moving: Qt's
// audio sink (used) and Qt's media player on its FFmpeg backend. Needs the
// desktop services:
//   scripts/run-tests.sh BUILD -L bench -R Reader -V
#include "BenchRun.h"
#include "DesktopBench.h"
#include "cleanup/TextCleanup.h"
#include "dictation/FrontmostApp.h"
#include "engine/MlxServer.h"
#include "insertion/AXText.h"
#include "platform/AudioPlayer.h"
#include "platform/linux/LinuxPlatform.h"
#include "reader/KokoroVoice.h"
#include "reader/ReaderChunks.h"
#include "reader/ReaderController.h"
#include "reader/ReaderLanguage.h"
#include "reader/ReaderSelection.h"
#include "reader/SpeechPreparation.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/SoundMeasures.h"
#include "support/SpeakerMonitor.h"
#include "support/TargetWindow.h"
#include "support/TestEngine.h"

#include <QApplication>
#include <QAudioOutput>
#include <QBuffer>
#include <QMediaPlayer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

const QString kFox = QStringLiteral("The quick brown fox jumps over the lazy dog.");
// The selection read aloud: two sentences.
const QString kSelection = kFox + QStringLiteral(" It ran off into the woods before anyone saw it.");
constexpr int kStartTimeoutMs = 5000;
// A sample this loud at the monitor is sound (of 32767).
constexpr int kAudible = 1000;

std::unique_ptr<TargetWindow::Process> target;
bool engineUp = false;
QByteArray foxWav;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

double maximum(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// The speaker monitor as a clock: marks where its recording is now, then
// tells how long after the mark the first loud sample came. The recording
// reaches this process about 20 ms late, so the times are that much high at
// most.
class Ear {
public:
    bool started() const { return m_monitor.started(); }
    void mark() {
        QCoreApplication::processEvents();
        m_mark = m_monitor.samples().size() / 2;
    }
    // Milliseconds from the mark to the first audible sample, waiting up to
    // `timeoutMs`; none when nothing was heard.
    std::optional<double> untilSound(int timeoutMs) {
        const Clock::time_point start = Clock::now();
        qsizetype scanned = m_mark;
        while (millisecondsSince(start) < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            const QByteArray pcm = m_monitor.samples();
            for (; scanned < pcm.size() / 2; ++scanned)
                if (std::abs(qFromLittleEndian<qint16>(pcm.constData() + 2 * scanned)) > kAudible)
                    return double(scanned - m_mark) * 1000.0 / SpeakerMonitor::kRate;
        }
        return std::nullopt;
    }
    QByteArray since() { return m_monitor.samples().mid(m_mark * 2); }

private:
    SpeakerMonitor m_monitor;
    qsizetype m_mark = 0;
};

std::unique_ptr<Ear> ear;

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
    if (!target || !target->ready() || !engineUp || !ear || !ear->started()) {
        state.SkipWithError("no target window, engine or speaker monitor (run under the desktop harness)");
        return;
    }
    QObject context;
    const QString voice = KokoroVoice::all().first().id;
    for (auto _ : state) {
        // Quiet before the trigger.
        TargetWindow::spinUntil([] { return false; }, 300);
        ear->mark();
        const Clock::time_point start = Clock::now();
        const std::optional<QString> selected = awaitResult(ReaderSelection::read(&context), kStartTimeoutMs);
        const double selection = millisecondsSince(start);

        Clock::time_point stage = Clock::now();
        const QString prepared = SpeechPreparation::applyPronunciations(
            TextCleanup::postProcess(selected.value_or(QString())), {}, &ReaderLanguage::confidentLanguage);
        const QStringList chunks = ReaderChunks::splitForReader(prepared);
        const double preparation = millisecondsSince(stage);

        stage = Clock::now();
        const std::optional<QByteArray> wav =
            chunks.isEmpty()
                ? std::nullopt
                : awaitResult(ReaderController::synthesize(MlxServer::baseURL(), chunks.first(), voice, 1.0), 30000);
        const double synthesis = millisecondsSince(stage);

        stage = Clock::now();
        const double beforeOutput = millisecondsSince(start);
        std::unique_ptr<AudioPlayer> player = wav ? Platform::current().audioPlayers->create(*wav) : nullptr;
        const bool playing = player && player->play();
        const std::optional<double> heard = playing ? ear->untilSound(kStartTimeoutMs) : std::nullopt;
        if (player)
            player->stop();
        if (selected != kSelection || !heard) {
            state.SkipWithError(selected != kSelection ? "the selection was not read" : "nothing was heard");
            return;
        }
        const double heardMs = heard.value_or(0.0);
        state.SetIterationTime(heardMs / 1000.0);
        state.counters["selection_ms"] = selection;
        state.counters["preparation_ms"] = preparation;
        state.counters["synthesis_ms"] = synthesis;
        state.counters["output_start_ms"] = heardMs - beforeOutput;
    }
}
BENCHMARK(BM_ReadSelectionToFirstSample)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("p90", [](const std::vector<double>& v) { return percentile(v, 0.9); })
    ->ComputeStatistics("max", maximum);

// Three chunks of a second of voiced sound each, read by the direct reader
// from a loopback server: the longest silence between the first and the last
// sound heard is the reader's own.
void BM_SilenceBetweenChunks(benchmark::State& state) {
    if (!ear || !ear->started()) {
        state.SkipWithError("no speaker monitor (run under the desktop harness)");
        return;
    }
    LoopbackHttpServer server;
    if (!server.listen()) {
        state.SkipWithError("no loopback server");
        return;
    }
    const QByteArray chunk = SoundMeasures::buzzWav(140, 1.0, 24000);
    server.on("POST", "/v1/audio/speech", [&chunk](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response::bytes(chunk, "audio/wav");
    });
    AppState appState;
    ReaderController::Services services;
    services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
    services.server = server.url();
    services.selectedVoice = [] { return QStringLiteral("af_heart"); };
    services.trace = [](const QString&) {};
    ReaderController reader(appState, services);
    const QString text =
        QStringLiteral("The harbour was quiet when the first boats came back in the grey light. ")
        + QString(QStringLiteral("Gulls followed them in, crying over the nets and the crates of fish. ")).repeated(8)
        + QString(QStringLiteral("By noon the market had filled with buyers, cooks and their children. ")).repeated(8);
    for (auto _ : state) {
        TargetWindow::spinUntil([] { return false; }, 300);
        ear->mark();
        if (!awaitFuture(reader.speak(text), 30000)) {
            state.SkipWithError("the reading did not end");
            return;
        }
        TargetWindow::spinUntil([] { return false; }, 300);
        const QByteArray heard = ear->since();
        const double span = SoundMeasures::soundSpan(heard, SpeakerMonitor::kRate);
        if (span < 2.5) {
            state.SkipWithError("the three chunks were not heard");
            return;
        }
        state.SetIterationTime(SoundMeasures::longestSilence(heard, SpeakerMonitor::kRate));
        state.counters["heard_s"] = span;
    }
}
BENCHMARK(BM_SilenceBetweenChunks)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("p90", [](const std::vector<double>& v) { return percentile(v, 0.9); })
    ->ComputeStatistics("max", maximum);

// The same sound played through the player at 1x and at 1.5x. Argument 0: a
// voiced buzz at 140 Hz; 1: the engine's fox sentence.
void BM_SpeedKeepsPitch(benchmark::State& state) {
    const QByteArray wav = state.range(0) == 0 ? SoundMeasures::buzzWav(140, 3.0, 24000) : foxWav;
    if (!ear || !ear->started() || wav.isEmpty()) {
        state.SkipWithError("no speaker monitor or no speech (run under the desktop harness)");
        return;
    }
    const auto playAt = [&wav](double rate) -> QByteArray {
        std::unique_ptr<AudioPlayer> player = Platform::current().audioPlayers->create(wav);
        if (!player)
            return {};
        bool finished = false;
        player->setFinished([&finished] { finished = true; });
        player->setRate(rate);
        TargetWindow::spinUntil([] { return false; }, 300);
        ear->mark();
        if (!player->play() || !TargetWindow::spinUntil([&finished] { return finished; }, 15000))
            return {};
        TargetWindow::spinUntil([] { return false; }, 300);
        return ear->since();
    };
    for (auto _ : state) {
        const QByteArray normal = playAt(1.0);
        const QByteArray fast = playAt(1.5);
        const double normalPitch = SoundMeasures::fundamental(normal, SpeakerMonitor::kRate);
        const double fastPitch = SoundMeasures::fundamental(fast, SpeakerMonitor::kRate);
        const double normalSpan = SoundMeasures::soundSpan(normal, SpeakerMonitor::kRate);
        const double fastSpan = SoundMeasures::soundSpan(fast, SpeakerMonitor::kRate);
        if (normalPitch <= 0 || normalSpan <= 0) {
            state.SkipWithError("nothing was heard");
            return;
        }
        const double pitchChange = std::abs(fastPitch / normalPitch - 1) * 100;
        // The time is the pitch change, in per cent.
        state.SetIterationTime(pitchChange / 1000.0);
        state.counters["pitch_change_pct"] = pitchChange;
        state.counters["length_error_pct"] = std::abs(fastSpan / normalSpan * 1.5 - 1) * 100;
        state.counters["pitch_1x_hz"] = normalPitch;
        state.counters["pitch_1_5x_hz"] = fastPitch;
    }
}
BENCHMARK(BM_SpeedKeepsPitch)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("p90", [](const std::vector<double>& v) { return percentile(v, 0.9); })
    ->ComputeStatistics("max", maximum);

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
BENCHMARK(BM_PlayerStartAudioSink)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_PlayerStartMediaPlayerFfmpeg)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(20)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Measures under the desktop services, with the engine warm and the selection
// made in the target window.
int measure(int* argc, char** argv) {
    LinuxPlatform services;
    Platform::install(services.services());
    // The services the program's root installs, as its root holds them.
    SharedServices shared;

    const QString engine = TestEngine::folder();
    if (!engine.isEmpty()) {
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(engine));
        QFuture<bool> ready = MlxServer::shared().ensureReady();
        engineUp = awaitFuture(ready, 120000) && ready.result();
        // Warm: the first synthesis loads the voice.
        if (engineUp)
            foxWav =
                awaitResult(ReaderController::synthesize(MlxServer::baseURL(), kFox, QStringLiteral("af_heart"), 1.0),
                            60000)
                    .value_or(QByteArray());
    }
    target = DesktopBench::startTarget();
    if (target->ready() && target->ask(QStringLiteral("focus line"), QStringLiteral("focused"))
        && target->ask(QStringLiteral("type ") + kSelection, QStringLiteral("typed"))) {
        TargetWindow::spinUntil(
            [] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid() && AXText::focusedElement()
                       && AXText::setSelectedRange(0, kSelection.size());
            },
            10000);
    }
    ear = std::make_unique<Ear>();
    const int status = BenchRun::run(argc, argv);
    ear.reset();
    target.reset();
    MlxServer::shared().stop();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // Only the media player comparison uses Qt's media backends; the default
    // GStreamer one crashes without its plugins.
    if (!DesktopBench::servesTarget(argc, argv))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    return DesktopBench::run(argc, argv, [&] { return measure(&argc, argv); });
}
