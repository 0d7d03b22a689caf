// Revealing a file as FreedesktopFileManager does it, against a stand-in file
// manager on a private D-Bus daemon. The stand-in answers only while the event
// loop runs: a reveal that waited for the bus would never see its answer.
#include "platform/linux/FreedesktopFileManager.h"

#include "support/FakeUrlOpener.h"
#include "support/PrivateSessionBus.h"
#include "support/TempFolder.h"

#include <QtTest/QTest>

#include <gtest/gtest.h>

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
        if (!bus.start())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(bus.connected());
        take = folder.write(QStringLiteral("diagnostics \u00e9t\u00e9/mic test.wav"), "RIFF");
    }
    void TearDown() override { bus.stop(kPath, service); }

    void offerFileManager() {
        ASSERT_TRUE(bus.service().registerObject(kPath, &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.service().registerService(kName));
    }

    FileManagerService service;
    FakeUrlOpener opener;
    TempFolder folder;
    QString take;
    PrivateSessionBus bus;
};

TEST_F(FreedesktopFileManagerTest, TheFileManagerIsAskedToShowTheFileByItsEncodedUri) {
    offerFileManager();
    FreedesktopFileManager files(opener, bus.client());
    EXPECT_TRUE(files.reveal(take));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !service.shown.isEmpty(); }, 5000));
    const QString uri =
        QStringLiteral("file://") + folder.path() + QStringLiteral("/diagnostics%20%C3%A9t%C3%A9/mic%20test.wav");
    EXPECT_EQ(service.shown, QList<QStringList>{QStringList{uri}});
    // Its answer is an answer: no folder opens besides.
    EXPECT_FALSE(QTest::qWaitFor([this] { return !opener.opened.isEmpty(); }, 300));
}

TEST_F(FreedesktopFileManagerTest, WithoutAFileManagerTheFolderOpens) {
    FreedesktopFileManager files(opener, bus.client());
    EXPECT_TRUE(files.reveal(take));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !opener.opened.isEmpty(); }, 5000));
    EXPECT_EQ(opener.opened,
              QList<QUrl>{QUrl::fromLocalFile(folder.file(QStringLiteral("diagnostics \u00e9t\u00e9")))});
}

TEST_F(FreedesktopFileManagerTest, AMissingFileIsNotRevealed) {
    offerFileManager();
    FreedesktopFileManager files(opener, bus.client());
    EXPECT_FALSE(files.reveal(folder.file(QStringLiteral("gone.wav"))));
    EXPECT_FALSE(QTest::qWaitFor([this] { return !service.shown.isEmpty() || !opener.opened.isEmpty(); }, 300));
}

} // namespace

#include "FreedesktopFileManagerTest.moc"
