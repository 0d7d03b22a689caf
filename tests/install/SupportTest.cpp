#include "install/ProblemReport.h"
#include "install/ReviewPrompt.h"

#include "cleanup/ModeStore.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QLocale>
#include <QScopeGuard>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace {

QString queryValue(const QUrl& url, const QString& key) {
    return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
}

TEST(ProblemReportTest, DetailsLineUpUnderTenCharacterLabels) {
    ScopedFakePlatform platform;
    platform.wording.table.insert(QStringLiteral("macOS     "), QStringLiteral("System    "));
    platform.wording.table.insert(QStringLiteral("Mac       "), QStringLiteral("Processor "));
    ProblemReport::Facts facts{"1.4.2", "77",   "Debian GNU/Linux 12 (bookworm)", "AMD Ryzen 7 5800X 8-Core Processor",
                               false,   "Email"};
    EXPECT_EQ(ProblemReport::details(facts), QStringLiteral("Quorvane  1.4.2 (77)\n"
                                                            "System    Debian GNU/Linux 12 (bookworm)\n"
                                                            "Processor AMD Ryzen 7 5800X 8-Core Processor\n"
                                                            "Engine    not started\n"
                                                            "Mode      Email"));
    facts.engineRunning = true;
    facts.version = facts.build = QStringLiteral("unknown");
    const QStringList lines = ProblemReport::details(facts).split(QLatin1Char('\n'));
    EXPECT_EQ(lines[0], QStringLiteral("Quorvane  unknown (unknown)"));
    EXPECT_EQ(lines[3], QStringLiteral("Engine    running"));
}

TEST(ProblemReportTest, TheRunningProgramsFactsComeFromItsState) {
    // The mode store the program's root makes.
    ModeStore modes(Defaults::shared());
    AppState::shared().setServerReady(true);
    const QString details = ProblemReport::details(modes);
    AppState::shared().setServerReady(false);
    const QStringList lines = details.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Quorvane  " QUORVANE_VERSION " (")
                            + QStringLiteral(QUORVANE_BUILD_NUMBER_FOR_TESTS) + ")");
    EXPECT_EQ(lines[3], QStringLiteral("Engine    running"));
    EXPECT_EQ(lines[4], QStringLiteral("Mode      ") + modes.activeMode().name);
    EXPECT_FALSE(lines[2].mid(10).isEmpty());
}

TEST(ProblemReportTest, ReadsTheProcessorNameFromCpuInfo) {
    EXPECT_EQ(ProblemReport::chipFromCpuInfo(QStringLiteral("processor\t: 0\nvendor_id\t: GenuineIntel\n"
                                                            "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\n"
                                                            "model name\t: second\n")),
              QStringLiteral("Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"));
    EXPECT_EQ(ProblemReport::chipFromCpuInfo(QStringLiteral("processor : 0\nHardware : BCM2835\n")),
              QStringLiteral("BCM2835"));
    EXPECT_EQ(ProblemReport::chipFromCpuInfo(QStringLiteral("processor : 0\nmodel name :   \n")),
              QStringLiteral("unknown"));
    EXPECT_EQ(ProblemReport::chipFromCpuInfo(QString()), QStringLiteral("unknown"));
}

TEST(ProblemReportTest, TheMailCarriesQuestionsAndDetailsEncoded) {
    const QString details = QStringLiteral("Mode      A & B + C=1 #2");
    const QUrl url = ProblemReport::mailUrl(details);
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral(QUORVANE_SUPPORT_ADDRESS_FOR_TESTS));
    EXPECT_EQ(queryValue(url, QStringLiteral("subject")), QStringLiteral("Quorvane problem report"));
    const QString body = queryValue(url, QStringLiteral("body"));
    EXPECT_TRUE(body.startsWith(QStringLiteral("What happened:\n\n\nWhat you expected instead:\n\n\n")));
    EXPECT_TRUE(body.endsWith(QStringLiteral("rather not send.\n\n") + details)) << body.toStdString();
    EXPECT_TRUE(body.contains(QStringLiteral("\u2014\u2014\u2014\n")));
}

TEST(ProblemReportTest, WithoutAMailProgramTheReportAndTheAddressAreCopiedAndTheUserIsTold) {
    ScopedFakePlatform platform;
    ModeStore modes(Defaults::shared());
    QList<Alert> alerts;
    const AlertPresenter present = [&](const Alert& alert, std::function<void(int)> answered) {
        alerts.append(alert);
        answered(0);
    };
    platform.urlOpener.accepts = false;
    platform.pasteboard.otherAppCopies(QStringLiteral("the user's text"));
    ProblemReport::open(modes, present);
    ASSERT_EQ(platform.urlOpener.opened.size(), 1);
    ASSERT_EQ(platform.pasteboard.items.size(), 1);
    const QString copied = QString::fromUtf8(platform.pasteboard.items[0].value(0).second);
    EXPECT_TRUE(copied.startsWith(QStringLiteral("To: " QUORVANE_SUPPORT_ADDRESS_FOR_TESTS
                                                 "\nSubject: Quorvane problem report\n\nWhat happened:\n")))
        << copied.toStdString();
    EXPECT_TRUE(copied.endsWith(ProblemReport::details(modes))) << copied.toStdString();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].title, QStringLiteral("No mail program is set up"));
    EXPECT_EQ(alerts[0].text,
              QStringLiteral("The problem report and the address to send it to, " QUORVANE_SUPPORT_ADDRESS_FOR_TESTS
                             ", are on the clipboard. Paste them into a new message in any mail "
                             "program or web mail."));
    ASSERT_EQ(platform.announcer.announcements.size(), 1);
    EXPECT_EQ(platform.announcer.announcements[0].text, QStringLiteral("Support address copied"));

    // A mail program took it: the clipboard stays the user's, and nothing is said.
    platform.urlOpener.accepts = true;
    platform.pasteboard.otherAppCopies(QStringLiteral("kept"));
    ProblemReport::open(modes, present);
    EXPECT_EQ(platform.pasteboard.items[0].value(0).second, QByteArray("kept"));
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(platform.announcer.announcements.size(), 1);
}

// A clock the test moves by hand, and alerts answered by script.
class ReviewPromptTest : public ::testing::Test {
protected:
    struct Pending {
        std::chrono::milliseconds delay;
        std::function<void()> work;
    };

    ReviewPrompt makePrompt() {
        return ReviewPrompt(ReviewPrompt::Services{
            &settings,
            [this] { return words; },
            [this](std::chrono::milliseconds delay, std::function<void()> work) {
                pending.append({delay, std::move(work)});
            },
            [this](const Alert& alert, std::function<void(int)> answered) {
                // The flag is already set when the alert shows.
                shownFlagAtAlert = settings.boolOr(QLatin1String(ReviewPrompt::kShownKey), false);
                alerts.append(alert);
                answered(answer);
            },
            [this] { ++activations; },
        });
    }

    void runDue() {
        const QList<Pending> due = std::exchange(pending, {});
        for (const Pending& item : due)
            item.work();
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults settings{folder.file(QStringLiteral("defaults.json"))};
    qint64 words = 0;
    int answer = 1;
    int activations = 0;
    bool shownFlagAtAlert = false;
    QList<Pending> pending;
    QList<Alert> alerts;
};

TEST_F(ReviewPromptTest, AsksOnceNinetySecondsAfterALaunchWithTwentyThousandWords) {
    words = 20000;
    ReviewPrompt prompt = makePrompt();
    prompt.considerAsking();
    ASSERT_EQ(pending.size(), 1);
    EXPECT_EQ(pending[0].delay, std::chrono::seconds(90));
    EXPECT_TRUE(alerts.isEmpty());
    words = 5; // read once, at launch
    runDue();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(shownFlagAtAlert);
    EXPECT_EQ(activations, 1);
    EXPECT_TRUE(alerts[0].text.startsWith(QStringLiteral("You have dictated ") + QLocale().toString(qint64(20000))
                                          + QStringLiteral(" words with it.")));
    EXPECT_TRUE(platform.urlOpener.opened.isEmpty()); // "Not now"

    prompt.considerAsking();
    EXPECT_TRUE(pending.isEmpty());
}

TEST_F(ReviewPromptTest, BelowTheThresholdNothingIsScheduledThisRun) {
    words = 19999;
    ReviewPrompt prompt = makePrompt();
    prompt.considerAsking();
    EXPECT_TRUE(pending.isEmpty());
    EXPECT_FALSE(settings.boolean(QLatin1String(ReviewPrompt::kShownKey)));
}

TEST_F(ReviewPromptTest, AFlagSetWhileWaitingCancelsAndLeavingAReviewOpensThePage) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
    words = 1234567;
    ReviewPrompt first = makePrompt();
    first.considerAsking();
    ReviewPrompt second = makePrompt();
    second.considerAsking();
    answer = 0;
    runDue();
    ASSERT_EQ(alerts.size(), 1); // the second saw the flag the first set
    EXPECT_TRUE(alerts[0].text.startsWith(QStringLiteral("You have dictated 1,234,567 words")));
    ASSERT_EQ(platform.urlOpener.opened.size(), 1);
    const QUrl page = platform.urlOpener.opened[0];
    EXPECT_EQ(page.path(), QStringLiteral("/review"));
    EXPECT_EQ(page.scheme(), QStringLiteral("https"));
    EXPECT_EQ(QUrlQuery(page).queryItems().value(1).first, QStringLiteral("from"));
    EXPECT_EQ(queryValue(page, QStringLiteral("from")), QStringLiteral("prompt"));
    EXPECT_EQ(queryValue(page, QStringLiteral("v")), QStringLiteral(QUORVANE_VERSION));
}

TEST(ReviewPageTest, AlwaysCarriesBothItemsEncoded) {
    const QUrl empty = ReviewPrompt::pageUrl(QString(), QStringLiteral("menu"));
    EXPECT_EQ(empty.query(), QStringLiteral("v=&from=menu"));
    const QUrl odd = ReviewPrompt::pageUrl(QStringLiteral("1.0&x=1"), QStringLiteral("menu"));
    EXPECT_EQ(queryValue(odd, QStringLiteral("v")), QStringLiteral("1.0&x=1"));
    EXPECT_EQ(queryValue(odd, QStringLiteral("from")), QStringLiteral("menu"));
}

} // namespace
