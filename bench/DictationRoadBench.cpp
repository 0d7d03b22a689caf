// The program's own time from the stop of a 5 s take to the paste, with the
// default cleanup: the engine check, WAV encoding, the request to a speech
// server that answers at once, numbers, post-processing, the cleanup road,
// history, statistics, the caret context and the clipboard write. Measured
// for an engine the program launched itself and for one it found running
// (adopted). Platform services are the tests' fakes but for the process table
// and the child processes, which are the machine's own, so that the engine
// check of an adopted server searches the real table. The take starts well
// before its stop, so the start's own engine check is not measured. Reports
// the median, 90th percentile and maximum of the stops.
#include "BenchRun.h"
#include "audio/Recorder.h"
#include "dictation/DictationController.h"
#include "engine/MlxServer.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/DictationStores.h"
#include "support/FakePlatform.h"
#include "support/PortLock.h"

#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/ProcProcessTable.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPromise>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>
#include <string>

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

// Why the engine's fixed port cannot be had by this run, or nothing when it is free.
std::optional<std::string> portTaken() {
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost, MlxServer::port))
        return std::nullopt;
    const ProcProcessTable processes;
    const std::optional<ProcessTable::Listener> holder = processes.listener(MlxServer::port);
    const QString who = holder ? QStringLiteral("pid %1, %2")
                                     .arg(holder->pid)
                                     .arg(processes.commandLine(holder->pid).value_or(QStringLiteral("?")).left(100))
                               : QStringLiteral("a process this user cannot see");
    return QStringLiteral("port %1 is taken by another process (%2)").arg(MlxServer::port).arg(who).toStdString();
}

bool engineAnswers() {
    QFuture<bool> ready = MlxServer::shared().ensureReady();
    return awaitFuture(ready, kEngineStartMs) && ready.result();
}

// Dictates `state`'s iterations and reports the spread of the stop-to-paste times.
void measureStops(benchmark::State& state) {
    FakePlatform fakes;
    ProcProcessTable processes;
    PdeathsigChildProcesses children;
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
    services.processTable = &processes;
    services.childProcesses = &children;
    const Platform previous = Platform::install(services);

    AppState appState;
    Recorder recorder(&fakes.audioInput);
    // The waits after the paste pass at once; the live preview's never ends,
    // so no preview request competes with the measured stop.
    std::vector<std::shared_ptr<QPromise<void>>> previews;
    DictationStores stores;
    DictationController controller(appState, Defaults::shared(), recorder, stores.services(), {},
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
    std::vector<double> milliseconds;
    for (auto _ : state) {
        controller.toggle();
        QTest::qWait(int(kBeforeStop.count()));
        fakes.audioInput.lastCapture()->deliver(take);
        const Clock::time_point stop = Clock::now();
        if (!awaitFuture(controller.toggle(), 20000) || keys.posted.isEmpty()) {
            state.SkipWithError("the take was not pasted");
            break;
        }
        const std::chrono::duration<double> took = keys.pastedAt - stop;
        state.SetIterationTime(took.count());
        milliseconds.push_back(took.count() * 1000.0);
        keys.posted.clear();
    }
    Platform::install(previous);
    BenchRun::reportSpread(state, milliseconds);
}

void BM_StopToPaste_LaunchedEngine(benchmark::State& state) {
    const PortLock port(MlxServer::port);
    if (const std::optional<std::string> taken = portTaken()) {
        state.SkipWithError(taken->c_str());
        return;
    }
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
    const PortLock port(MlxServer::port);
    if (const std::optional<std::string> taken = portTaken()) {
        state.SkipWithError(taken->c_str());
        return;
    }
    InstantEngine engine;
    // A server that was running before the program started.
    QProcess running;
    running.start(QStringLiteral("/usr/bin/python3"),
                  {kServerScript, QStringLiteral("--port"), QString::number(MlxServer::port)});
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
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
