// Revealing a file as FreedesktopFileManager does it, against a stand-in file
// manager on a private D-Bus daemon. The stand-in answers from this thread, so
// it answers only while the event loop runs: a reveal that waited for the bus
// would never see its answer.
#include "platform/linux/FreedesktopFileManager.h"

#include "support/FakeUrlOpener.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kName = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");

// org.freedesktop.FileManager1 keeping the items it was asked to show.
class FileManagerService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        Q_UNUSED(startupId);
        shown.append(uris);
    }

public:
    QList<QStringList> shown;
};

class FreedesktopFileManagerTest : public testing::Test {
protected:
    void SetUp() override {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000))
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(m_daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_service = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("files")));
        m_client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("client")));
        ASSERT_TRUE(m_service->isConnected() && m_client->isConnected());
        take = folder.write(QStringLiteral("diagnostics \u00e9t\u00e9/mic test.wav"), "RIFF");
    }
    void TearDown() override {
        if (m_service) {
            m_service->unregisterObject(kPath);
            QCoreApplication::removePostedEvents(&service);
        }
        m_client.reset();
        m_service.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("files"));
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    void offerFileManager() {
        ASSERT_TRUE(m_service->registerObject(kPath, &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_service->registerService(kName));
    }

    FileManagerService service;
    FakeUrlOpener opener;
    TempFolder folder;
    QString take;
    QProcess m_daemon;
    std::unique_ptr<QDBusConnection> m_service;
    std::unique_ptr<QDBusConnection> m_client;
};

TEST_F(FreedesktopFileManagerTest, TheFileManagerIsAskedToShowTheFileByItsEncodedUri) {
    offerFileManager();
    FreedesktopFileManager files(opener, *m_client);
    EXPECT_TRUE(files.reveal(take));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !service.shown.isEmpty(); }, 5000));
    const QString uri = QStringLiteral("file://") + folder.path() + QStringLiteral("/diagnostics%20%C3%A9t%C3%A9/mic%20test.wav");
    EXPECT_EQ(service.shown, QList<QStringList>{QStringList{uri}});
    // Its answer is an answer: no folder opens besides.
    EXPECT_FALSE(QTest::qWaitFor([this] { return !opener.opened.isEmpty(); }, 300));
}

TEST_F(FreedesktopFileManagerTest, WithoutAFileManagerTheFolderOpens) {
    FreedesktopFileManager files(opener, *m_client);
    EXPECT_TRUE(files.reveal(take));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !opener.opened.isEmpty(); }, 5000));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(folder.file(QStringLiteral("diagnostics \u00e9t\u00e9")))});
}

TEST_F(FreedesktopFileManagerTest, AMissingFileIsNotRevealed) {
    offerFileManager();
    FreedesktopFileManager files(opener, *m_client);
    EXPECT_FALSE(files.reveal(folder.file(QStringLiteral("gone.wav"))));
    EXPECT_FALSE(QTest::qWaitFor([this] { return !service.shown.isEmpty() || !opener.opened.isEmpty(); }, 300));
}

} // namespace

#include "FreedesktopFileManagerTest.moc"
