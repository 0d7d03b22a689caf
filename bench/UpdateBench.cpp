// The self-update's heavy steps on a signed 100 MB release: checking the
// signature and unpacking it (aim: under 2 s together), and the longest
// stall of the GUI thread while a whole install runs against a loopback
// HTTPS server (aim: under 50 ms).
#include "BenchRun.h"
#include "install/ReleaseArchive.h"
#include "install/UpdateCheck.h"

#include "install/ArchiveMaker.h"
#include "install/HttpsFixture.h"
#include "support/Await.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

constexpr int kFiles = 100;
constexpr int kFileBytes = 1024 * 1024;

// A release of kFiles incompressible files of kFileBytes each, and its signature.
struct Release {
    QTemporaryDir folder;
    QString archive;
    SigningKeys keys;
    QByteArray signature;

    Release() {
        QList<ArchiveEntry> entries{{"Quorvane/", {}, ArchiveEntry::Kind::Folder, 0755, {}},
                                    {"Quorvane/quorvane-install.txt", "2.0\n", ArchiveEntry::Kind::File, 0644, {}},
                                    {"Quorvane/bin/quorvane", "#!/bin/sh\n", ArchiveEntry::Kind::File, 0755, {}}};
        QRandomGenerator random(26);
        for (int i = 0; i < kFiles; ++i) {
            QByteArray bytes(kFileBytes, Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32*>(bytes.data()), kFileBytes / int(sizeof(quint32)));
            entries.append(
                {QStringLiteral("Quorvane/share/quorvane/blob-%1").arg(i), bytes, ArchiveEntry::Kind::File, 0644, {}});
        }
        archive = folder.filePath(QStringLiteral("release.zip"));
        writeArchive(archive, entries);
        signature = keys.sign(readAll(archive));
    }
};

Release& release() {
    static Release made;
    return made;
}

void VerifyAndUnpack100MB(benchmark::State& state) {
    Release& r = release();
    for (auto _ : state) {
        QTemporaryDir into;
        if (!ReleaseArchive::verify(r.archive, r.signature, r.keys.publicKey)
            || ReleaseArchive::unpack(r.archive, into.path())) {
            state.SkipWithError("the release did not verify and unpack");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(r.archive).size());
}
BENCHMARK(VerifyAndUnpack100MB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);

// The whole install on the GUI thread: download, verify, unpack, exchange.
// Each install's figure is the longest gap between 1 ms ticks of a GUI-thread
// timer; median, p90 and max are over the installs (the time column is how
// long an install takes, which is not what the aim holds).
void InstallGuiStall100MB(benchmark::State& state) {
    Release& r = release();
    // The server runs on a thread of its own: its encryption is not the program's stall.
    QThread serverThread;
    serverThread.start();
    QObject serverContext;
    serverContext.moveToThread(&serverThread);
    std::unique_ptr<HttpsFixture> hosted;
    QMetaObject::invokeMethod(
        &serverContext,
        [&] {
            hosted = std::make_unique<HttpsFixture>();
            hosted->route("/Quorvane.zip", {200, readAll(r.archive), {}, -1});
            const QByteArray manifest = "{\"version\":\"2.0\",\"url\":\"" + hosted->url("/Quorvane.zip").toEncoded()
                                        + "\",\"signature\":\"" + r.signature.toBase64() + "\"}";
            hosted->route("/version.json", {200, manifest, {}, -1});
        },
        Qt::BlockingQueuedConnection);
    HttpsFixture& server = *hosted;
    const auto stopServer = qScopeGuard([&] {
        QMetaObject::invokeMethod(
            &serverContext, [&] { hosted.reset(); }, Qt::BlockingQueuedConnection);
        serverThread.quit();
        serverThread.wait();
    });
    ScopedFakePlatform platform;
    QNetworkAccessManager network;
    std::vector<double> stalls;
    for (auto _ : state) {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("apps/Quorvane"));
        QDir().mkpath(folder + QStringLiteral("/bin"));
        QFile marker(folder + QStringLiteral("/quorvane-install.txt"));
        marker.open(QIODevice::WriteOnly);
        marker.write("1.0\n");
        marker.close();
        UpdateCheck::Settings settings;
        settings.manifestUrl = server.url(QStringLiteral("/version.json"));
        settings.site = QUrl(QStringLiteral("https://quorvane.example"));
        settings.releaseKey = r.keys.publicKey;
        settings.installFolder = folder;
        settings.runningVersion = QStringLiteral("1.0");
        settings.roots =
            InstallLocation::Roots{root.path(), {root.filePath(QStringLiteral("apps")) + QLatin1Char('/')}};
        settings.ssl = server.clientConfiguration();
        settings.present = [](const Alert&, std::function<void(int)> answered) { answered(0); };
        UpdateCheck check(settings, network);

        QElapsedTimer sinceTick;
        qint64 worst = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] { worst = std::max(worst, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(1);
        const UpdateCheck::Outcome outcome = awaitResult(check.check(true), 120000);
        ticker.stop();
        if (outcome != UpdateCheck::Outcome::Relaunching) {
            state.SkipWithError("the install did not complete");
            break;
        }
        // The fake launcher starts nothing, so the relaunch script's folder is ours to remove.
        for (const FakeProgramLauncher::Launch& launch : std::exchange(platform.programLauncher.launches, {}))
            QDir(QFileInfo(launch.arguments.value(0)).path()).removeRecursively();
        stalls.push_back(double(worst));
        qInfo("install %d: longest GUI-thread stall %lld ms", int(stalls.size()), worst);
    }
    BenchRun::reportSpread(state, stalls);
}
BENCHMARK(InstallGuiStall100MB)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
    QApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const int status = BenchRun::run(&argc, argv);
    return status;
}
