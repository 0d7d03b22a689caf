#include "engine/ModelDownload.h"
#include "engine/ModelDownloader.h"
#include "engine/ModelTable.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Response = LoopbackHttpServer::Response;

// A small injected table: three files, one in a subfolder.
const ModelFiles kFiles = {
    {QStringLiteral("config.json"), 10},
    {QStringLiteral("en-us/mdef"), 300},
    {QStringLiteral("weights.bin"), 5000},
};

QByteArray body(const ModelFile& file, char fill = 'x') { return QByteArray(file.size, fill); }

QString modelPath(const QString& name) {
    return QStringLiteral("/") + QLatin1String(ModelTable::kModelName) + QStringLiteral("/") + name;
}

// A download base: serves the bodies it is given under the model folder,
// answers 404 for the rest and records which files were asked for.
class Base {
public:
    Base() {
        server.setFallback([this](const LoopbackHttpServer::Request& request) {
            asked.append(QString::fromUtf8(request.path));
            const auto it = bodies.constFind(QString::fromUtf8(request.path));
            return it == bodies.cend() ? Response::bytes("missing", "text/plain", 404)
                                       : Response::bytes(*it, "application/octet-stream");
        });
        EXPECT_TRUE(server.listen());
    }
    void serve(const ModelFile& file, const QByteArray& content) { bodies.insert(modelPath(file.name), content); }
    void serveAll() {
        for (const ModelFile& file : kFiles)
            serve(file, body(file));
    }
    QUrl url() const { return server.url(); }

    LoopbackHttpServer server;
    QHash<QString, QByteArray> bodies;
    QStringList asked;
};

class ModelDownloadTest : public testing::Test {
protected:
    bool run(const QList<QUrl>& bases, bool force = false, const ModelFiles& files = kFiles) {
        ModelDownload download(models.path(), files, bases);
        QObject::connect(&download, &ModelDownload::progressChanged, [this](double p) { progress.append(p); });
        const bool ok = awaitResult(download.run(force), 20000);
        lastError = download.lastError();
        failure = download.failureMessage();
        return ok;
    }
    QStringList leftovers() const {
        QStringList found;
        QDirIterator it(models.path(), {QStringLiteral("qv-model-*")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        return found;
    }

    TempFolder models;
    QList<double> progress;
    QString lastError;
    QString failure;
};

TEST_F(ModelDownloadTest, CompleteFilesAreNotFetchedAgain) {
    for (const ModelFile& file : kFiles)
        models.write(file.name, body(file));
    Base base;
    EXPECT_TRUE(run({base.url()}));
    EXPECT_TRUE(base.asked.isEmpty());
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_DOUBLE_EQ(progress.last(), 1.0);
    EXPECT_TRUE(ModelDownload::complete(models.path(), kFiles));
}

TEST_F(ModelDownloadTest, EmptyFolderIsFilledFromTheFirstBaseAndLeftoversAreSwept) {
    models.write(QStringLiteral("qv-model-1234"), "part");
    models.write(QStringLiteral("en-us/qv-model-5678"), "part");
    models.write(QStringLiteral("keep.txt"), "mine");
    Base base;
    base.serveAll();
    EXPECT_TRUE(run({base.url()}));
    EXPECT_TRUE(QFileInfo::exists(models.file(QStringLiteral("keep.txt"))));
    EXPECT_TRUE(ModelDownload::complete(models.path(), kFiles));
    EXPECT_EQ(models.read(QStringLiteral("en-us/mdef")), body(kFiles[1]));
    EXPECT_TRUE(std::is_sorted(progress.cbegin(), progress.cend()));
    EXPECT_DOUBLE_EQ(progress.last(), 1.0);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(ModelDownloadTest, EachFileStartsAgainAtTheFirstBase) {
    Base first;
    Base second;
    first.serve(kFiles[0], body(kFiles[0]));
    first.serve(kFiles[2], body(kFiles[2]));
    second.serveAll();
    EXPECT_TRUE(run({first.url(), second.url()}));
    EXPECT_EQ(first.asked,
              QStringList({modelPath(kFiles[0].name), modelPath(kFiles[1].name), modelPath(kFiles[2].name)}));
    EXPECT_EQ(second.asked, QStringList({modelPath(kFiles[1].name)}));
    EXPECT_TRUE(ModelDownload::complete(models.path(), kFiles));
}

TEST_F(ModelDownloadTest, AllBasesFailingEndsTheRunWithTheLastReason) {
    Base first;
    Base second;
    first.serve(kFiles[0], body(kFiles[0]));
    second.serve(kFiles[0], body(kFiles[0]));
    EXPECT_FALSE(run({first.url(), second.url()}));
    EXPECT_EQ(lastError, QStringLiteral("HTTP 404"));
    EXPECT_EQ(failure, QStringLiteral("Could not download the dictation model (HTTP 404). Check your internet "
                                      "connection and try Repair again."));
    // The completed file stays and counts as done next time; nothing retried by itself.
    EXPECT_EQ(first.asked.size(), 2);
    EXPECT_EQ(models.read(QStringLiteral("config.json")), body(kFiles[0]));
    second.serveAll();
    EXPECT_TRUE(run({first.url(), second.url()}));
    EXPECT_FALSE(second.asked.contains(modelPath(kFiles[0].name)));
}

TEST_F(ModelDownloadTest, WrongSizedBodiesNeverReachTheirName) {
    Base base;
    base.serveAll();
    base.serve(kFiles[1], QByteArray(299, 's'));
    EXPECT_FALSE(run({base.url()}));
    EXPECT_EQ(lastError, QStringLiteral("en-us/mdef came back 299 bytes, expected 300"));
    EXPECT_FALSE(QFileInfo::exists(models.file(QStringLiteral("en-us/mdef"))));

    // A longer body is cut off just past the table size rather than read whole.
    base.serve(kFiles[1], QByteArray(1 << 20, 'l'));
    EXPECT_FALSE(run({base.url()}));
    EXPECT_EQ(lastError, QStringLiteral("en-us/mdef came back 301 bytes, expected 300"));
    EXPECT_FALSE(QFileInfo::exists(models.file(QStringLiteral("en-us/mdef"))));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(ModelDownloadTest, OneByteShortFileIsReplacedAndForceFetchesAgain) {
    for (const ModelFile& file : kFiles)
        models.write(file.name, body(file));
    models.write(kFiles[2].name, QByteArray(kFiles[2].size - 1, 'x'));
    EXPECT_FALSE(ModelDownload::complete(models.path(), kFiles));
    Base base;
    base.serveAll();
    base.serve(kFiles[2], body(kFiles[2], 'n'));
    EXPECT_TRUE(run({base.url()}));
    EXPECT_EQ(base.asked, QStringList({modelPath(kFiles[2].name)}));
    EXPECT_EQ(models.read(kFiles[2].name), body(kFiles[2], 'n'));

    base.serve(kFiles[0], body(kFiles[0], 'f'));
    EXPECT_TRUE(run({base.url()}, true));
    EXPECT_EQ(base.asked.size(), 1 + kFiles.size());
    EXPECT_EQ(models.read(kFiles[0].name), body(kFiles[0], 'f'));
}

TEST_F(ModelDownloadTest, BadBaseIsSkippedWithItsReason) {
    Base base;
    base.serveAll();
    EXPECT_TRUE(run({QUrl(QStringLiteral("http://[::1")), base.url()}));
    EXPECT_FALSE(run({QUrl(QStringLiteral("not a url"))}, true));
    EXPECT_EQ(lastError, QStringLiteral("bad URL"));
}

// The program's own base is its resource folder, which may sit in a folder
// such as "~/My Projects".
TEST_F(ModelDownloadTest, TheProjectBaseServesFromAResourceFolderWhosePathHoldsASpace) {
    TempFolder user;
    const QString resources = user.mkdir(QStringLiteral("My Projects/quorvane #2/share"));
    for (const ModelFile& file : kFiles)
        user.write(QStringLiteral("My Projects/quorvane #2/share/engine-dist/%1/%2")
                       .arg(QLatin1String(ModelTable::kModelName), file.name),
                   body(file, 's'));
    ScopedEnvironment env;
    env.set("QUORVANE_RESOURCES", QFile::encodeName(resources));
    env.unset(ModelTable::kBaseVariable);
    EXPECT_TRUE(run(ModelTable::bases())) << lastError.toStdString();
    for (const ModelFile& file : kFiles)
        EXPECT_EQ(models.read(file.name), body(file, 's')) << file.name.toStdString();
}

TEST_F(ModelDownloadTest, FileBaseCountsACompleteReadAsSuccessAndAMissingFileAs404) {
    TempFolder distribution;
    for (const ModelFile& file : kFiles.mid(0, 2))
        distribution.write(QLatin1String(ModelTable::kModelName) + QLatin1Char('/') + file.name, body(file, 'd'));
    const QUrl base = QUrl::fromLocalFile(distribution.path());
    EXPECT_FALSE(run({base}));
    EXPECT_EQ(lastError, QStringLiteral("HTTP 404"));
    EXPECT_EQ(models.read(kFiles[1].name), body(kFiles[1], 'd'));

    distribution.write(QLatin1String(ModelTable::kModelName) + QStringLiteral("/weights.bin"), QByteArray(9000, 'd'));
    EXPECT_FALSE(run({base}));
    EXPECT_EQ(lastError, QStringLiteral("weights.bin came back 5001 bytes, expected 5000"));
}

TEST(ModelDownloaderTest, AnswersOnceWithTheHttpStatusOrTheTransportFailure) {
    LoopbackHttpServer server;
    bool drop = false;
    server.setFallback([&drop](const auto&) {
        Response answer = Response::bytes("gone", "text/plain", 410);
        answer.drop = drop;
        return answer;
    });
    ASSERT_TRUE(server.listen());
    TempFolder folder;
    ModelDownloader downloader([](qint64, qint64) {});
    const auto future =
        downloader.download(server.url(QStringLiteral("/x")), std::chrono::seconds(5), folder.path(), 10);
    const ModelDownloader::Result result = awaitResult(future);
    EXPECT_TRUE(result.filePath.isEmpty());
    EXPECT_EQ(result.status, 410);
    EXPECT_EQ(result.error, QStringLiteral("HTTP 410"));
    EXPECT_EQ(future.resultCount(), 1);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());

    drop = true;
    ModelDownloader second([](qint64, qint64) {});
    const ModelDownloader::Result dropped =
        awaitResult(second.download(server.url(QStringLiteral("/x")), std::chrono::seconds(5), folder.path(), 10));
    EXPECT_TRUE(dropped.filePath.isEmpty());
    EXPECT_EQ(dropped.status, -1);
    ASSERT_TRUE(dropped.error.has_value());
    EXPECT_FALSE(dropped.error->isEmpty());

    // A 200 answer that breaks off says why, not "HTTP 200".
    server.setFallback([](const auto&) {
        Response cut;
        cut.raw = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\npart";
        return cut;
    });
    ModelDownloader third([](qint64, qint64) {});
    const ModelDownloader::Result broken =
        awaitResult(third.download(server.url(QStringLiteral("/x")), std::chrono::seconds(5), folder.path(), 10));
    EXPECT_TRUE(broken.filePath.isEmpty());
    ASSERT_TRUE(broken.error.has_value());
    EXPECT_FALSE(broken.error->contains(QStringLiteral("HTTP"))) << broken.error->toStdString();
    EXPECT_FALSE(broken.error->isEmpty());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

// A local model file on a slow disk: the source is a pipe whose writer sends
// the bytes only once the GUI thread has turned while the copy waits (or,
// should it never turn, after a few seconds, so that the test ends).
TEST(ModelDownloaderTest, ALocalFileIsCopiedWhileTheGuiThreadRuns) {
    TempFolder folder;
    const QString pipe = folder.file(QStringLiteral("slow-disk"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QByteArray bytes(4096, 'm');
    std::atomic<bool> turned{false};
    std::thread disk([&] {
        QFile writer(pipe);
        if (!writer.open(QIODevice::WriteOnly))
            return;
        for (int wait = 0; wait < 100 && !turned; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        writer.write(bytes);
    });
    ModelDownloader downloader([](qint64, qint64) {});
    const auto future = downloader.download(QUrl::fromLocalFile(pipe), std::chrono::seconds(5),
                                            folder.file(QStringLiteral("into")), 5000);
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] { turned = !future.isFinished() || turned; });
    turn.start(10);
    const ModelDownloader::Result result = awaitResult(future);
    disk.join();
    EXPECT_TRUE(turned);
    ASSERT_FALSE(result.filePath.isEmpty());
    QFile copy(result.filePath);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), bytes);
}

} // namespace
