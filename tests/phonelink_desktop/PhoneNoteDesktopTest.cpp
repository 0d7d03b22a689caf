#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "dictation/FrontmostApp.h"
#include "engine/LlmServer.h"
#include "insertion/AXText.h"
#include "insertion/InsertTarget.h"
#include "insertion/PasteService.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/DashboardServices.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/PhoneClient.h"
#include "support/TargetWindow.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

class Target : public TargetWindow::Process {
public:
    Target() : Process(QCoreApplication::applicationFilePath(), {}, environmentFor(TargetWindow::Kind::Application)) {}
};

class PhoneNoteDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        m_previous = Platform::install(m_linux.services());
    }
    void TearDown() override {
        if (underHarness())
            Platform::install(m_previous);
    }

    LinuxPlatform m_linux;
    Platform m_previous;
};

TEST_F(PhoneNoteDesktopTest, ANoteFromThePhoneIsListedAndLandsInTheLastApplication) {
    TempFolder folder;
    Defaults defaults(folder.file("defaults.json"));
    defaults.set(PhoneInbox::kKnownPhonesKey, QStringList{QStringLiteral("desk-phone")});
    defaults.set(QStringLiteral("autoCleanLevel"), QStringLiteral("off"));
    ModeStore modes(defaults);
    CleanupEngine cleanup(defaults, LlmServer::shared());
    PhoneInbox::Services services{&defaults, &modes, [](const Alert&, std::function<void(int)>) {}, {}, {}, {}};
    PhoneInbox inbox(folder.file("phone-inbox.json"), cleanup, services);
    PhoneLink link(inbox, nullptr, QHostAddress::LocalHost, PhoneLink::Limits{});
    link.start();

    // The phone hands over one note and gets its receipt from the real listener.
    QJsonObject sent{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
                     {"title", "Groceries"},
                     {"text", "milk & eggs <2 dozen>"},
                     {"captured", "2026-05-01T08:00:00+02:00"},
                     {"seconds", 4},
                     {"device", "Desk phone"},
                     {"deviceID", "desk-phone"}};
    const PhoneClient::Outcome outcome = awaitResult(
        PhoneClient::send(link.port(), PhoneClient::frame(QJsonDocument(QJsonArray{sent}).toJson())), 20000);
    ASSERT_EQ(outcome.receipt(), (QJsonObject{{"ok", true}, {"imported", 1}, {"discarded", false}}));
    ASSERT_EQ(inbox.notes().size(), 1);

    // The target window is the application the user came from.
    Target target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.ask(QStringLiteral("focus line"), QStringLiteral("focused")));
    ASSERT_TRUE(target.ask(QStringLiteral("type List: "), QStringLiteral("typed")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<FrontmostApp> front = FrontmostApp::current();
            return front && front->pid == target.pid() && AXText::focusedElement();
        },
        10000));
    InsertTarget::Services targetServices;
    targetServices.defaults = &defaults;
    targetServices.workspace = Platform::current().workspace;
    targetServices.apps = Platform::current().desktopApps;
    targetServices.notes = Platform::current().notesApp;
    targetServices.paste = [](const QString& text) { PasteService::paste(text); };
    targetServices.ownPid = QCoreApplication::applicationPid();
    InsertTarget sendTo(targetServices);
    ASSERT_TRUE(sendTo.app());
    EXPECT_EQ(sendTo.app()->pid, target.pid());

    const PhoneNote note = inbox.notes().first();
    EXPECT_EQ(note.displayTitle(), QStringLiteral("Groceries"));
    // While the target pastes it answers no accessibility query, and it fetches
    // the text from us: read it back only once the text was taken.
    bool fetched = false;
    std::optional<bool> landed;
    sendTo.insert(note.text, note.displayTitle(), [&landed, &fetched](bool ok) {
        landed = ok;
        Platform::current().pasteboard->whenFetched([&fetched] { fetched = true; });
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return landed.has_value(); }, 10000));
    EXPECT_TRUE(*landed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fetched; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return AXText::textBeforeCaret(note.text.size()) == note.text; }, 10000))
        << "the target's line holds: "
        << AXText::textBeforeCaret(200).value_or(QStringLiteral("<nothing>")).toStdString();

    // The Dashboard lists the note under its title.
    StatsStore stats(folder.file("data"));
    HistoryStore history(folder.file("data"), defaults);
    DashboardServices dashboard = DashboardServices::standard(stats, history, inbox, &sendTo);
    dashboard.defaults = &defaults;
    DashboardPane pane(dashboard);
    EXPECT_EQ(pane.phoneRows().size(), 1);
}

} // namespace
