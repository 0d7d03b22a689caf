// What the launch pays to decide whether the engine is installed: the first
// engine check (one import check of the environment's interpreter), a warm
// one (the cached answer: two lstat calls) and modelsComplete (one
// size read per model file), all on the GUI thread; and an install of the
// build's engine archive from a loopback server.
#include "BenchRun.h"
#include "engine/EngineBootstrap.h"
#include "engine/EnginePackage.h"
#include "engine/ModelDownload.h"
#include "engine/ModelTable.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

QTemporaryDir engineRoot;

EngineBootstrap::Setup setup() {
    EngineBootstrap::Setup s = EngineBootstrap::Setup::defaults();
    s.engineRoot = [] { return engineRoot.path(); };
    return s;
}

// Installs the build's archive into the bench's engine folder and the model
// from the build's distribution, once.
bool provision() {
    EnginePackage package(engineRoot.filePath(QStringLiteral("mlx-venv")), ModelTable::bases());
    if (!awaitResult(package.install(), 120000))
        return false;
    ModelDownload models(engineRoot.filePath(QStringLiteral("models/") + QLatin1String(ModelTable::kModelName)),
                         ModelTable::files(), ModelTable::bases());
    return awaitResult(models.run(false), 120000);
}

void firstEngineExists(benchmark::State& state) {
    for (auto _ : state) {
        EngineBootstrap bootstrap(setup(), {});
        if (!awaitResult(bootstrap.checkEngine(), 60000))
            state.SkipWithError("the installed engine does not import");
    }
}
BENCHMARK(firstEngineExists)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->DisplayAggregatesOnly(true);

void warmEngineExists(benchmark::State& state) {
    EngineBootstrap bootstrap(setup(), {});
    if (!awaitResult(bootstrap.checkEngine(), 60000)) {
        state.SkipWithError("the installed engine does not import");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(awaitResult(bootstrap.checkEngine(), 60000));
}
BENCHMARK(warmEngineExists)->Unit(benchmark::kMicrosecond);

void modelsComplete(benchmark::State& state) {
    EngineBootstrap bootstrap(setup(), {});
    for (auto _ : state) {
        if (!bootstrap.modelsComplete()) {
            state.SkipWithError("the model is incomplete");
            break;
        }
    }
}
BENCHMARK(modelsComplete)->Unit(benchmark::kMicrosecond);

void loopbackArchiveInstall(benchmark::State& state) {
    QFile archive(ModelTable::distributionFolder() + QStringLiteral("/mlx-venv.tar.gz"));
    if (!archive.open(QIODevice::ReadOnly)) {
        state.SkipWithError("the build has no engine archive");
        return;
    }
    const QByteArray bytes = archive.readAll();
    LoopbackHttpServer server;
    server.setFallback(
        [&bytes](const auto&) { return LoopbackHttpServer::Response::bytes(bytes, "application/gzip"); });
    if (!server.listen()) {
        state.SkipWithError("no loopback port");
        return;
    }
    QTemporaryDir target;
    for (auto _ : state) {
        EnginePackage package(target.filePath(QStringLiteral("mlx-venv")),
                              {server.url().toString(QUrl::StripTrailingSlash)});
        if (!awaitResult(package.install(), 120000))
            state.SkipWithError("the install failed");
    }
}
BENCHMARK(loopbackArchiveInstall)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    // The set-up log goes to the bench's own data folder.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    if (!provision()) {
        return BenchRun::notMeasured("could not install the build's engine distribution");
    }
    const int status = BenchRun::run(&argc, argv);
    return status;
}
