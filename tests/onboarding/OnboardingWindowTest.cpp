#include "onboarding/OnboardingWindow.h"
#include "engine/EngineBootstrap.h"
#include "onboarding/EngineStep.h"
#include "onboarding/FirstWordsStep.h"
#include "onboarding/GiftLines.h"
#include "onboarding/OnbDots.h"
#include "onboarding/OnboardingView.h"
#include "onboarding/PermissionRow.h"
#include "onboarding/PermissionsStep.h"
#include "onboarding/WelcomeStep.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/RenderCheck.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedLinuxWording.h"
#include "support/ScopedLook.h"
#include "support/StandInEngine.h"
#include "support/TempFolder.h"
#include "translator/TranslationCatalog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using S = OnboardingStep;
using Stage = EngineBootstrap::Stage;

struct Spoken {
    QString text;
    double speed;
    float volume;
};

class OnboardingTest : public ::testing::Test {
protected:
    OnboardingTest() { env.set("XDG_DATA_HOME", data.path().toUtf8()); }

    OnboardingServices services() {
        OnboardingServices s;
        s.defaults = &defaults;
        s.bootstrap = &bootstrap;
        s.permissions = &platform.permissions;
        s.delayedCall = timers.delayedCall();
        s.offerMove = [this] { return offerMove; };
        s.isTranslocated = [] { return false; };
        s.whereItIs = [] { return QStringLiteral("~/Downloads"); };
        s.moveToApplications = [this] {
            ++moves;
            return moveStarts;
        };
        s.revealInFileManager = [this] { ++reveals; };
        s.translationAvailable = [this] { return translation; };
        s.speak = [this](const QString& text, double speed, float volume) {
            spoken.append({text, speed, volume});
            return QtFuture::makeReadyFuture();
        };
        s.resourceFolder = [this] { return resources.path(); };
        s.catalog = &catalog;
        s.downloads = [] {
            TranslationDownload::Services d;
            d.typeTarget = [] { return QStringLiteral("en"); };
            d.installable = [](const QString&, const QString&) { return true; };
            d.installCommand = [](const QString&, const QString&) { return std::optional<QString>(); };
            d.showDialog = [](QWidget*, const QString&, const QString&, std::function<void()>) {};
            return d;
        };
        return s;
    }

    static void render(QWidget& window, const QString& step) {
        QApplication::processEvents();
        const QImage image = window.grab().toImage();
        EXPECT_EQ(image.size(), QSize(640, 560));
        EXPECT_FALSE(Artifacts::save(image, QStringLiteral("onboarding-") + step + QStringLiteral(".png")).isEmpty());
        RenderCheck::expectReadable(window, QStringLiteral("onboarding-") + step);
    }

    ScopedFakePlatform platform;
    ScopedEnvironment env;
    TempFolder data;
    StandInEngine engine;
    TempFolder resources;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ManualTimers timers;
    EngineBootstrap bootstrap{engine.setup(false), StandInEngine::services()};
    TranslationCatalog catalog{[this] {
        TranslationCatalog::Services c;
        c.translator = [this] { return &platform.onDeviceTranslator; };
        c.typeTarget = [] { return QStringLiteral("en"); };
        c.now = [] { return TranslationCatalog::Clock::time_point{}; };
        c.runCheck = [](std::function<TranslationCatalog::Lists()> check) {
            return QtFuture::makeReadyFuture(check());
        };
        return c;
    }()};
    bool offerMove = false;
    bool moveStarts = false;
    bool translation = false;
    int moves = 0;
    int reveals = 0;
    QList<Spoken> spoken;
};

TEST_F(OnboardingTest, TheFooterFollowsTheStepListOnEveryPress) {
    offerMove = true;
    OnboardingView view(services());
    view.show();
    EXPECT_EQ(view.step(), S::Move);
    EXPECT_EQ(view.dots()->total(), 7);
    EXPECT_FALSE(view.backButton()->isVisibleTo(&view));
    EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Continue"));

    view.primaryButton()->click();
    EXPECT_EQ(view.step(), S::Welcome);
    EXPECT_TRUE(view.backButton()->isVisibleTo(&view));

    // The copy was moved meanwhile: the list is worked out again on the press.
    offerMove = false;
    view.setStep(S::Permissions);
    view.primaryButton()->click();
    EXPECT_EQ(view.step(), S::FirstWords);
    EXPECT_EQ(view.dots()->total(), 6);
    EXPECT_EQ(view.dots()->index(), 5);
    EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Start using Quorvane"));
    EXPECT_TRUE(view.primaryButton()->isEnabled());

    // A step missing from the list counts as the first: no Back, Continue goes to the second.
    view.setStep(S::Move);
    EXPECT_EQ(view.dots()->index(), 0);
    EXPECT_FALSE(view.backButton()->isVisibleTo(&view));
    view.primaryButton()->click();
    EXPECT_EQ(view.step(), S::Speaking);
}

TEST_F(OnboardingTest, TheCloseButtonOnlyHidesAndFinishingStoresDone) {
    OnboardingWindow onboarding([this] { return services(); });
    int finished = 0;
    QObject::connect(&onboarding, &OnboardingWindow::finished, [&] { ++finished; });
    onboarding.show();
    QWidget* window = onboarding.window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_GE(platform.windowSystem.fronts, 1);
    onboarding.view()->setStep(S::Reading);

    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(defaults.contains(OnboardingWindow::kDoneKey));
    EXPECT_EQ(finished, 0);
    onboarding.show();
    EXPECT_EQ(onboarding.window(), window) << "the same window comes back";
    EXPECT_EQ(onboarding.view()->step(), S::Reading);

    onboarding.view()->setStep(S::FirstWords);
    onboarding.view()->primaryButton()->click();
    EXPECT_TRUE(defaults.boolOr(OnboardingWindow::kDoneKey, false));
    EXPECT_EQ(onboarding.window(), nullptr);
    EXPECT_EQ(finished, 1);
    onboarding.show();
    EXPECT_NE(onboarding.view(), nullptr);
    EXPECT_EQ(onboarding.view()->step(), S::Welcome) << "a new window starts afresh";
}

TEST_F(OnboardingTest, TheNameIsStoredOnEveryEditUntrimmed) {
    OnboardingView view(services());
    view.show();
    auto* welcome = qobject_cast<WelcomeStep*>(view.page());
    ASSERT_TRUE(welcome);
    QTest::keyClicks(welcome->nameField(), QStringLiteral(" Ana "));
    EXPECT_EQ(defaults.stringOr(WelcomeStep::kNameKey, QStringLiteral("?")), QStringLiteral(" Ana "));
    welcome->nameField()->selectAll();
    QTest::keyClick(welcome->nameField(), Qt::Key_Backspace);
    EXPECT_EQ(defaults.stringOr(WelcomeStep::kNameKey, QStringLiteral("?")), QString());
}

TEST_F(OnboardingTest, PermissionRowsFollowTheFlagsAndTheAccessibilityPollStopsOnTrust) {
    OnboardingView view(services());
    view.show();
    view.setStep(S::Permissions);
    auto* page = qobject_cast<PermissionsStep*>(view.page());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title(), QStringLiteral("Two permissions"));
    ASSERT_TRUE(page->microphoneRow()->button());

    platform.permissions.microphone = true;
    page->microphoneRow()->button()->click();
    EXPECT_EQ(platform.permissions.microphoneRequests, 1);
    EXPECT_TRUE(page->microphoneRow()->granted());
    EXPECT_EQ(page->title(), QStringLiteral("Two permissions"));

    page->typingRow()->button()->click();
    page->typingRow()->button()->click();
    EXPECT_EQ(platform.permissions.accessibilityRequests, 2);
    const int asked = platform.permissions.accessibilityChecks;
    timers.advance(3s);
    // Pressing again replaced the poll: one check a second.
    EXPECT_EQ(platform.permissions.accessibilityChecks - asked, 3);
    platform.permissions.accessibility = true;
    timers.advance(1s);
    EXPECT_EQ(page->title(), QStringLiteral("All set"));
    EXPECT_FALSE(view.isPollingAccessibility());
    EXPECT_EQ(timers.pending(), 0U);
    render(view, QStringLiteral("permissions"));
}

TEST_F(OnboardingTest, ThePollEndsWhenOnboardingCloses) {
    OnboardingWindow onboarding([this] { return services(); });
    onboarding.show();
    onboarding.view()->requestAX();
    EXPECT_TRUE(onboarding.view()->isPollingAccessibility());
    const int asked = platform.permissions.accessibilityChecks;
    onboarding.window()->close();
    EXPECT_FALSE(onboarding.view()->isPollingAccessibility());
    timers.advance(5s);
    EXPECT_EQ(platform.permissions.accessibilityChecks, asked);
}

TEST_F(OnboardingTest, TheWindowStepsBehindTheSettingsOnlyWhileTheUserIsSentThere) {
    int settingsOpened = 0;
    OnboardingWindow onboarding([&] {
        OnboardingServices s = services();
        s.openAccessibilitySettings = [&] { return ++settingsOpened, true; };
        return s;
    });
    onboarding.show();
    EXPECT_TRUE(onboarding.staysOnTop());

    // The session took the request: nobody is sent anywhere.
    platform.permissions.accessibility = true;
    onboarding.view()->requestAX();
    EXPECT_EQ(settingsOpened, 0);
    EXPECT_TRUE(onboarding.staysOnTop());

    platform.permissions.accessibility = false;
    onboarding.view()->requestAX();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_FALSE(onboarding.staysOnTop());
    EXPECT_TRUE(onboarding.window()->isVisible());
    EXPECT_TRUE(onboarding.view()->isPollingAccessibility()) << "stepping behind must not end the poll";

    platform.permissions.accessibility = true;
    timers.advance(OnboardingView::kAccessibilityPoll);
    EXPECT_TRUE(onboarding.staysOnTop()) << "back on top once access is on";
    EXPECT_FALSE(onboarding.view()->isPollingAccessibility());
}

TEST_F(OnboardingTest, AFailedSetUpNamesTheLogWhereItIs) {
    EngineBootstrap::Setup failingSetup = engine.setup(true);
    failingSetup.runProcess = [](const QString&, const QStringList&, std::function<void(QString)>) {
        return QtFuture::makeReadyFuture(false);
    };
    EngineBootstrap failing(failingSetup, StandInEngine::services());
    OnboardingServices s = services();
    s.bootstrap = &failing;
    OnboardingView view(s);
    view.show();
    view.setStep(S::Engine);
    ASSERT_TRUE(QTest::qWaitFor([&] { return failing.stage() == Stage::Failed; }));
    QStringList texts;
    for (const QLabel* label : view.page()->findChildren<QLabel*>())
        texts << label->text();
    const QString shown = texts.join(QLatin1Char('\n'));
    EXPECT_TRUE(shown.contains(data.path() + QStringLiteral("/Quorvane/setup.log"))) << shown.toStdString();
}

TEST_F(OnboardingTest, TheEngineStepStartsOnlyFromIdleAndRetriesOnlyWhenAsked) {
    OnboardingView view(services());
    view.show();
    view.setStep(S::Engine);
    auto* page = qobject_cast<EngineStep*>(view.page());
    ASSERT_TRUE(page);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bootstrap.stage() == Stage::Failed; }));
    ASSERT_TRUE(page->tryAgainButton());
    EXPECT_FALSE(page->bar());
    render(view, QStringLiteral("engine-failed"));

    // Leaving and coming back does not retry.
    view.back();
    view.primary();
    QApplication::processEvents();
    EXPECT_EQ(bootstrap.stage(), Stage::Failed);

    page = qobject_cast<EngineStep*>(view.page());
    ASSERT_TRUE(page && page->startOverButton());
    EngineBootstrap working(engine.setup(true), StandInEngine::services());
    OnboardingServices s = services();
    s.bootstrap = &working;
    OnboardingView second(s);
    second.show();
    second.setStep(S::Engine);
    auto* fresh = qobject_cast<EngineStep*>(second.page());
    ASSERT_TRUE(fresh);
    QApplication::processEvents();
    EXPECT_NE(working.stage(), Stage::Idle) << "arriving idle starts the set-up";
    render(second, QStringLiteral("engine"));
}

TEST_F(OnboardingTest, FirstWordsTitlesAndTheReadingVoice) {
    resources.write(QStringLiteral("gift-whisper.txt"), "  a secret \n");
    OnboardingView view(services());
    view.show();
    view.setStep(S::FirstWords);
    auto* page = qobject_cast<FirstWordsStep*>(view.page());
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->showsPracticeField()) << "the engine is idle";
    EXPECT_EQ(page->waitingBar()->maximum(), 0) << "indeterminate";
    EXPECT_EQ(page->buttonTitle(), QStringLiteral("Hear the reading voice"));

    page->voiceButton()->click();
    QApplication::processEvents();
    ASSERT_EQ(spoken.size(), 2);
    EXPECT_EQ(spoken[0].text, GiftLines::kBuiltInGreeting);
    EXPECT_EQ(spoken[0].speed, 1.0);
    EXPECT_EQ(spoken[1].text, QStringLiteral("a secret"));
    EXPECT_EQ(spoken[1].speed, 0.8);
    EXPECT_FLOAT_EQ(spoken[1].volume, 0.28F);
    EXPECT_EQ(page->buttonTitle(), QStringLiteral("Say it again"));

    page->field()->setPlainText(QStringLiteral(" \n "));
    EXPECT_FALSE(page->didDictate());
    EXPECT_EQ(page->title(), QStringLiteral("Try it once"));
    page->field()->setPlainText(QStringLiteral("  hello there \n"));
    EXPECT_EQ(page->title(), QStringLiteral("That is the whole thing"));
    EXPECT_EQ(page->buttonTitle(), QStringLiteral("Read that back"));
    spoken.clear();
    page->voiceButton()->click();
    ASSERT_EQ(spoken.size(), 1);
    EXPECT_EQ(spoken[0].text, QStringLiteral("hello there"));
    EXPECT_FLOAT_EQ(spoken[0].volume, 1.0F);
}

TEST_F(OnboardingTest, EveryStepRendersInTheWindow) {
    const ScopedLinuxWording linuxWording;
    offerMove = true;
    translation = true;
    platform.onDeviceTranslator.setPair(QStringLiteral("fr"), QStringLiteral("en"),
                                        OnDeviceTranslator::PairStatus::Installed);
    EngineBootstrap working(engine.setup(true), StandInEngine::services());
    OnboardingServices s = services();
    s.bootstrap = &working;
    (void)working.repair();
    ASSERT_TRUE(QTest::qWaitFor([&] { return working.stage() == Stage::Ready || working.stage() == Stage::Failed; }));
    for (const bool dark : {false, true}) {
        const ScopedLook look(dark);
        OnboardingView view(s);
        view.show();
        const std::pair<S, const char*> pages[] = {{S::Move, "move"},           {S::Welcome, "welcome"},
                                                   {S::Speaking, "speaking"},   {S::Reading, "reading"},
                                                   {S::Engine, "engine-ready"}, {S::Permissions, "permissions-asked"},
                                                   {S::Languages, "languages"}, {S::FirstWords, "first-words"}};
        for (const auto& [step, name] : pages) {
            view.setStep(step);
            QApplication::processEvents();
            render(view, QString::fromLatin1(name) + (dark ? QStringLiteral("-dark") : QString()));
            // Nothing of the page reaches past the window's content area.
            EXPECT_LE(view.page()->geometry().bottom(), view.dots()->geometry().top()) << name;
        }
    }
}

TEST_F(OnboardingTest, MovingRevealsTheCopyWhenTheMoveCannotStart) {
    offerMove = true;
    OnboardingView view(services());
    view.show();
    const auto buttons = view.page()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    buttons[0]->click();
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(reveals, 1);
    moveStarts = true;
    buttons[0]->click();
    EXPECT_EQ(reveals, 1);
    buttons[1]->click();
    EXPECT_EQ(moves, 2);
    EXPECT_EQ(reveals, 2);
}

} // namespace
