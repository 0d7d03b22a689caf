// The program's root as main makes it, over the fake platform: the services it
// makes are the ones the program reaches, and they end with it, before the
// platform and the application object.
#include "app/ProgramRoot.h"
#include "insertion/PasteService.h"
#include "support/FakePlatform.h"
#include "support/ProgramLifetime.h"

#include <QPointer>
#include <QTcpSocket>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(ProgramRootTest, WhileTheRootLivesItsServicesAreTheSharedOnesAndAfterItTheTestsAreBack) {
    ScopedFakePlatform platform;
    Defaults& before = Defaults::shared();
    {
        ProgramRoot root;
        EXPECT_EQ(&Defaults::shared(), &root.defaults());
        EXPECT_EQ(&AppState::shared(), &root.state());
        EXPECT_EQ(&AppActions::shared(), &root.actions());
    }
    EXPECT_EQ(&Defaults::shared(), &before);
}

TEST(ProgramRootTest, TheClipboardsTurnsOutliveWhatIsKeptFromFirstUseAsMainEndsThatFirst) {
    ScopedFakePlatform platform;
    ProgramRoot root;
    QPointer<ClipboardTurns> turns(&ClipboardTurns::shared());
    {
        // As in main: made after the root, so it ends before the root goes.
        ProgramLifetime::Scope lifetime;
    }
    ASSERT_TRUE(turns) << "the clipboard's turns went with the program's lifetime, before the root";
    EXPECT_EQ(&ClipboardTurns::shared(), turns.data());
    // A copy asked while the roads go still takes its turn and lands.
    PasteService::copy(QStringLiteral("Copied after the lifetime"));
    EXPECT_EQ(platform.pasteboard.plainText(), QStringLiteral("Copied after the lifetime"));
    EXPECT_FALSE(turns->busy());
}

TEST(ProgramRootTest, TheMainWindowTheMenuOpensIsTheRootsAndGoesWithIt) {
    ScopedFakePlatform platform;
    QPointer<QWidget> window;
    {
        ProgramRoot root;
        ASSERT_TRUE(root.actions().showMainWindow);
        root.actions().showMainWindow();
        window = root.mainWindow().window();
        ASSERT_TRUE(window);
        EXPECT_TRUE(window->isVisible());
        root.actions().showMainWindow();
        EXPECT_EQ(root.mainWindow().window(), window.data()) << "one main window";
    }
    EXPECT_FALSE(window) << "the window outlived the root";
}

TEST(ProgramRootTest, TheReadingActionsReachTheRootsReader) {
    ScopedFakePlatform platform;
    ProgramRoot root;
    const AppActions& actions = root.actions();
    ASSERT_TRUE(actions.readerIsReading && actions.readerPreparing && actions.readerHasPlayer);
    EXPECT_FALSE(actions.readerIsReading());
    EXPECT_FALSE(actions.readerPreparing());
    EXPECT_FALSE(actions.readerHasPlayer());
    const quint64 generation = root.reader().generation();
    actions.stopEverything();
    EXPECT_GT(root.reader().generation(), generation) << "the stop reached another reader";
}

TEST(ProgramRootTest, ThePhoneLinkTheActionStartsStopsListeningWhenTheRootEnds) {
    ScopedFakePlatform platform;
    quint16 port = 0;
    {
        ProgramRoot root;
        root.actions().startPhoneLink();
        port = root.phoneLink().port();
        ASSERT_NE(port, 0) << root.actions().phoneLinkError().value_or(QString()).toStdString();
        QTcpSocket open;
        open.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(open.waitForConnected(5000)) << "the link does not listen";
    }
    QTcpSocket after;
    after.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_FALSE(after.waitForConnected(2000)) << "the link outlived the root";
}

} // namespace
