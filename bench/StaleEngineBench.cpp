// What a dictation's readiness check pays when the speech server's port is held
// by a server the program did not launch itself (one adopted at launch): for a
// kept engine server of this build, the first check (finding the port's
// listener among all processes and reading its command line) and every later
// one (the remembered verdict, as the servers keep it); and for a listener that
// is no engine at all.
#include "BenchRun.h"
#include "engine/ListenerVerdicts.h"
#include "engine/StaleEngine.h"
#include "platform/linux/ProcProcessTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

// Listens on a free loopback port until it is stopped, printing the port.
const char* kListenerProgram = R"(
import socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen()
print(s.getsockname()[1], flush=True)
time.sleep(600)
# quorvane engine bench
)";

QString engineRoot;
ProcProcessTable processes;

// One check of a kept engine server's port per iteration; with `remember`, the
// verdict of the first is kept for the later ones.
void checkKeptEngineServer(benchmark::State& state, bool remember) {
    QProcess server;
    server.start(engineRoot + QStringLiteral("/mlx-venv/bin/python"),
                 {QStringLiteral("-c"), QString::fromLatin1(kListenerProgram)});
    if (!server.waitForReadyRead(10000)) {
        state.SkipWithError("the listener did not start");
        return;
    }
    const quint16 port = quint16(server.readLine().trimmed().toUInt());
    const StaleEngine::KeepTest keep = [](const QString& command) {
        return command.contains(QStringLiteral("# quorvane engine bench"));
    };
    ListenerVerdicts verdicts;
    for (auto _ : state) {
        if (StaleEngine::replaceIfStaleNow(processes, port, keep, engineRoot, 250ms, remember ? &verdicts : nullptr)) {
            state.SkipWithError("the kept server was not found");
            break;
        }
    }
    server.kill();
    server.waitForFinished();
}

void BM_FirstCheckOfAKeptEngineServer(benchmark::State& state) { checkKeptEngineServer(state, false); }
BENCHMARK(BM_FirstCheckOfAKeptEngineServer)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LaterCheckOfAKeptEngineServer(benchmark::State& state) { checkKeptEngineServer(state, true); }
BENCHMARK(BM_LaterCheckOfAKeptEngineServer)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CheckOfAForeignListener(benchmark::State& state) {
    QTcpServer foreign;
    if (!foreign.listen(QHostAddress::LocalHost)) {
        state.SkipWithError("no free port");
        return;
    }
    for (auto _ : state) {
        if (StaleEngine::replaceIfStaleNow(processes, foreign.serverPort(), {}, engineRoot, 250ms)) {
            state.SkipWithError("the listener was not found");
            break;
        }
    }
}
BENCHMARK(BM_CheckOfAForeignListener)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    QTemporaryDir engine;
    engineRoot = engine.path();
    QDir().mkpath(engineRoot + QStringLiteral("/mlx-venv/bin"));
    QFile::link(QStringLiteral("/usr/bin/python3"), engineRoot + QStringLiteral("/mlx-venv/bin/python"));

    const int status = BenchRun::run(&argc, argv);
    return status;
}
