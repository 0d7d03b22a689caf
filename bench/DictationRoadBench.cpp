// The program's own time from the stop of a 5 s take to the paste, with the
// default cleanup: the engine check, WAV encoding, the request to a speech
// server that answers at once, numbers, post-processing, the cleanup road,
// history, statistics, the caret context and the clipboard write. Measured
// for an engine the program launched itself and for one it found running
// (adopted). Platform services are the tests' fakes; the take starts well
// before its stop, so the start's own engine check is not measured.
#include "audio/Recorder.h"
#include "dictation/DictationController.h"
#include "engine/MlxServer.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/PortLock.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPromise>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString kServerScript = QStringLiteral(QUORVANE_SOURCE_DIR "/bench/instant_speech_server.py");
constexpr auto kBeforeStop = 300ms;
constexpr int kEngineStartMs = 30000;

// Notes the moment the paste keystroke goes out.
class TimedKeySynth : public FakeKeySynth {
public:
    void paste(PasteChord chord) override {
        pastedAt = Clock::now();
        FakeKeySynth::paste(chord);
    }
    Clock::time_point pastedAt;
};

// An engine folder whose interpreter runs the instant server.
class InstantEngine {
public:
    InstantEngine() {
        QDir(m_folder.path()).mkpath(QStringLiteral("mlx-venv/bin"));
        QFile python(m_folder.path() + QStringLiteral("/mlx-venv/bin/python"));
        python.open(QIODevice::WriteOnly);
        python.write("#!/bin/sh\nexec /usr/bin/python3 " + QFile::encodeName(kServerScript) + " \"$@\"\n");
        python.close();
        python.setPermissions(python.permissions() | QFile::ExeOwner);
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(m_folder.path()));
    }

private:
    QTemporaryDir m_folder;
};

bool engineAnswers() {
    QFuture<bool> ready = MlxServer::shared().ensureReady();
    return awaitFuture(ready, kEngineStartMs) && ready.result();
}

// Dictates `state`'s iterations and reports the median stop-to-paste time.
void measureStops(benchmark::State& state) {
    FakePlatform fakes;
    TimedKeySynth keys;
    auto field = std::make_shared<FakeElement>();
    field->value = QString();
    field->selection = AccessibleElement::TextRange{0, 0};
    fakes.accessibility.focused = field;
    fakes.audioInput.devices = {{1, QStringLiteral("Microphone"), 1}};
    fakes.audioInput.defaultDevice = 1;
    fakes.audioInput.script.format = {16000, 1};
    Platform services = fakes.services();
    services.keySynth = &keys;
    const Platform previous = Platform::install(services);

    AppState appState;
    Recorder recorder(&fakes.audioInput);
    // The waits after the paste pass at once; the live preview's never ends,
    // so no preview request competes with the measured stop.
    std::vector<std::shared_ptr<QPromise<void>>> previews;
    DictationController controller(appState, Defaults::shared(), recorder, DictationController::Services::shared(), {},
                                   [&previews](std::chrono::milliseconds delay) {
                                       auto wait = std::make_shared<QPromise<void>>();
                                       wait->start();
                                       if (delay == 700ms)
                                           previews.push_back(wait);
                                       else
                                           QTimer::singleShot(0, [wait] { wait->finish(); });
                                       return wait->future();
                                   });
    const std::vector<float> take(5 * 16000, 0.2f);
    std::vector<double> seconds;
    for (auto _ : state) {
        controller.toggle();
        QTest::qWait(int(kBeforeStop.count()));
        fakes.audioInput.lastCapture()->deliver(take);
        const Clock::time_point stop = Clock::now();
        if (!awaitFuture(controller.toggle(), 20000) || keys.posted.isEmpty()) {
            state.SkipWithError("the take was not pasted");
            break;
        }
        seconds.push_back(std::chrono::duration<double>(keys.pastedAt - stop).count());
        state.SetIterationTime(seconds.back());
        keys.posted.clear();
    }
    Platform::install(previous);
    if (seconds.empty())
        return;
    std::sort(seconds.begin(), seconds.end());
    state.counters["median_ms"] = seconds[seconds.size() / 2] * 1000.0;
}

void BM_StopToPaste_LaunchedEngine(benchmark::State& state) {
    const PortLock port(50061);
    InstantEngine engine;
    if (!engineAnswers() || MlxServer::shared().processId() == 0) {
        state.SkipWithError("the program did not launch the instant engine");
        return;
    }
    measureStops(state);
    MlxServer::shared().stop();
}
BENCHMARK(BM_StopToPaste_LaunchedEngine)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_StopToPaste_AdoptedEngine(benchmark::State& state) {
    const PortLock port(50061);
    InstantEngine engine;
    // A server that was running before the program started.
    QProcess running;
    running.start(QStringLiteral("/usr/bin/python3"), {kServerScript, QStringLiteral("--port"), QStringLiteral("50061")});
    const bool up = QTest::qWaitFor(
        [] {
            QFuture<bool> probe = MlxServer::shared().isUp();
            return awaitFuture(probe, 2000) && probe.result();
        },
        kEngineStartMs);
    if (!up || !engineAnswers() || MlxServer::shared().processId() != 0) {
        state.SkipWithError("the running instant engine was not adopted");
        return;
    }
    measureStops(state);
    running.kill();
    running.waitForFinished();
}
BENCHMARK(BM_StopToPaste_AdoptedEngine)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // History, statistics and settings go to a home of their own.
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        qputenv(variable, QFile::encodeName(home.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
