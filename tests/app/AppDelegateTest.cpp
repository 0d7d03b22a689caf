#include "app/AppDelegate.h"
#include "app/NoteDocument.h"
#include "app/ProgramRoot.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QPromise>
#include <QThreadPool>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A delegate whose every step records its name.
struct Launch : testing::Test {
    TempFolder folder;
    Defaults defaults{folder.path() + QStringLiteral("/defaults.json")};
    QProcessEnvironment environment;
    QMutex lock;
    QStringList calls;
    bool engine = true;
    bool models = true;
    bool translation = false;
    bool phoneLink = false;
    // False: the engine check never answers, as with a hung interpreter.
    bool checkAnswers = true;
    QPromise<bool> unanswered;
    QPromise<void> serverGone;
    QPromise<void> clipboardBack;
    QPromise<void> cleanupServerGone;

    std::function<void()> rec(const char* name) {
        return [this, name] {
            QMutexLocker locked(&lock);
            calls << QString::fromLatin1(name);
        };
    }
    LaunchSteps steps() {
        LaunchSteps s;
        s.restoreLeftoverVolume = rec("restoreLeftoverVolume");
        s.warmDictionary = rec("warmDictionary");
        s.sendWordsOnceReady = rec("sendWordsOnceReady");
        s.translationAvailable = [this] { return translation; };
        s.refreshTranslationCatalog = rec("refreshTranslationCatalog");
        s.followTranslationGate = rec("followTranslationGate");
        s.ignoreBrokenPipe = rec("ignoreBrokenPipe");
        s.applyAppearance = rec("applyAppearance");
        s.dockStart = rec("dockStart");
        s.dockRefreshPolicy = rec("dockRefreshPolicy");
        s.migrateEngineFolder = rec("migrateEngineFolder");
        s.removeRetiredModels = rec("removeRetiredModels");
        s.migrateSettings = rec("migrateSettings");
        s.considerReviewPrompt = rec("considerReviewPrompt");
        s.phoneLinkEnabled = [this] { return phoneLink; };
        s.startPhoneLink = rec("startPhoneLink");
        s.checkForUpdates = rec("checkForUpdates");
        s.registerHotkeys = rec("registerHotkeys");
        s.setHoverReading = [this](bool on) { rec(on ? "hoverOn" : "hoverOff")(); };
        s.checkEngine = [this] {
            rec("checkEngine")();
            return checkAnswers ? QtFuture::makeReadyFuture(engine) : unanswered.future();
        };
        s.modelsComplete = [this] {
            rec("modelsComplete")();
            return models;
        };
        s.startSpeechServer = rec("startSpeechServer");
        s.showMainWindow = rec("showMainWindow");
        s.showOnboarding = rec("showOnboarding");
        s.trace = [this](const QString&) { rec("trace")(); };
        s.watchLanguageModelMemory = rec("watchLanguageModelMemory");
        s.startLanguageModelServer = rec("startLanguageModelServer");
        s.startSelectionCleanup = rec("startSelectionCleanup");
        s.runSelfTests = rec("runSelfTests");
        s.prepareFirstTake = rec("prepareFirstTake");
        s.endEngineSetup = rec("endEngineSetup");
        s.putBackClipboard = [this] {
            rec("putBackClipboard")();
            return clipboardBack.future();
        };
        s.stopReading = rec("stopReading");
        s.stopRecording = rec("stopRecording");
        s.restoreVolume = rec("restoreVolume");
        s.endSpeechServer = [this] {
            rec("endSpeechServer")();
            return serverGone.future();
        };
        s.stopLanguageModelServer = [this] {
            rec("stopLanguageModelServer")();
            return cleanupServerGone.future();
        };
        return s;
    }
    // Runs the launch; returns the steps run before it returned and those run as tasks after.
    std::pair<QStringList, QStringList> launch(LaunchSteps s) {
        AppDelegate delegate(std::move(s), defaults, environment);
        delegate.setUpdateCheckDelay(0);
        delegate.applicationDidFinishLaunching();
        QThreadPool::globalInstance()->waitForDone();
        QStringList during;
        {
            QMutexLocker locked(&lock);
            during = calls;
            calls.clear();
        }
        QTest::qWait(20);
        QMutexLocker locked(&lock);
        return {during, calls};
    }
};

TEST_F(Launch, RunsEveryStepInOrderAndTheTasksAfterItReturns) {
    defaults.set(QStringLiteral("onboardingDone"), true);
    translation = true;
    phoneLink = true;
    const auto [during, after] = launch(steps());
    QStringList synchronous = during;
    // The word list goes out on the thread pool; it only has to be started.
    EXPECT_EQ(synchronous.removeAll(QStringLiteral("sendWordsOnceReady")), 1);
    EXPECT_EQ(synchronous.removeAll(QStringLiteral("removeRetiredModels")), 1);
    EXPECT_EQ(synchronous,
              (QStringList{"restoreLeftoverVolume", "warmDictionary", "followTranslationGate", "ignoreBrokenPipe",
                           "applyAppearance", "dockStart", "dockRefreshPolicy", "migrateEngineFolder",
                           "migrateSettings", "checkEngine", "modelsComplete", "watchLanguageModelMemory",
                           "startSelectionCleanup", "runSelfTests", "prepareFirstTake"}));
    QStringList tasks = after;
    EXPECT_EQ(tasks.removeAll(QStringLiteral("checkForUpdates")), 1); // on its own timer
    EXPECT_EQ(tasks,
              (QStringList{"refreshTranslationCatalog", "considerReviewPrompt", "startPhoneLink", "registerHotkeys",
                           "hoverOff", "startSpeechServer", "showMainWindow", "startLanguageModelServer"}));
}

TEST_F(Launch, AnEngineCheckThatNeverAnswersHoldsUpNothingElse) {
    defaults.set(QStringLiteral("onboardingDone"), true);
    checkAnswers = false;
    unanswered.start();
    const auto [during, after] = launch(steps());
    EXPECT_TRUE(during.contains(QStringLiteral("checkEngine")));
    EXPECT_TRUE(during.contains(QStringLiteral("runSelfTests")));
    EXPECT_TRUE(after.contains(QStringLiteral("registerHotkeys")));
    EXPECT_TRUE(after.contains(QStringLiteral("startLanguageModelServer")));
    EXPECT_FALSE(after.contains(QStringLiteral("startSpeechServer")));
    EXPECT_FALSE(after.contains(QStringLiteral("showOnboarding")));
}

TEST_F(Launch, FirstRunTableShortCircuitsAndAlwaysStartsTheModelServer) {
    // Onboarding not done: onboarding opens, no engine tests, no server, no window.
    auto [during, after] = launch(steps());
    EXPECT_FALSE(during.contains(QStringLiteral("checkEngine")));
    EXPECT_TRUE(after.contains(QStringLiteral("showOnboarding")));
    EXPECT_FALSE(after.contains(QStringLiteral("startSpeechServer")));
    EXPECT_FALSE(after.contains(QStringLiteral("showMainWindow")));
    EXPECT_TRUE(after.contains(QStringLiteral("startLanguageModelServer")));
    EXPECT_TRUE(during.contains(QStringLiteral("startSelectionCleanup")));

    defaults.set(QStringLiteral("onboardingDone"), true);
    engine = false;
    std::tie(during, after) = launch(steps());
    EXPECT_TRUE(during.contains(QStringLiteral("checkEngine")));
    EXPECT_FALSE(during.contains(QStringLiteral("modelsComplete")));
    EXPECT_TRUE(after.contains(QStringLiteral("showOnboarding")));

    engine = true;
    models = false;
    std::tie(during, after) = launch(steps());
    EXPECT_TRUE(during.contains(QStringLiteral("modelsComplete")));
    EXPECT_FALSE(after.contains(QStringLiteral("startSpeechServer")));

    // Window kept closed by the setting: the engine still warms.
    models = true;
    defaults.set(QStringLiteral("openWindowAtLaunch"), false);
    defaults.set(QStringLiteral("hoverReadEnabled"), true);
    std::tie(during, after) = launch(steps());
    EXPECT_TRUE(after.contains(QStringLiteral("startSpeechServer")));
    EXPECT_FALSE(after.contains(QStringLiteral("showMainWindow")));
    EXPECT_TRUE(after.contains(QStringLiteral("hoverOn")));
}

TEST_F(Launch, WithoutOnboardingAMissingEngineIsTracedAndNothingOpens) {
    LaunchSteps s = steps();
    s.showOnboarding = nullptr;
    engine = false;
    auto [during, after] = launch(s);
    EXPECT_TRUE(during.contains(QStringLiteral("trace")));
    EXPECT_FALSE(after.contains(QStringLiteral("startSpeechServer")));
    EXPECT_FALSE(after.contains(QStringLiteral("showMainWindow")));

    // The engine alone does not make a normal start: onboarding must be done.
    engine = true;
    std::tie(during, after) = launch(s);
    EXPECT_FALSE(after.contains(QStringLiteral("startSpeechServer")));
    defaults.set(QStringLiteral("onboardingDone"), true);
    std::tie(during, after) = launch(s);
    EXPECT_TRUE(after.contains(QStringLiteral("startSpeechServer")));
}

TEST_F(Launch, UpdateCheckUnlessStoredAsFalseAndTheCatalogueOnlyWithTheTranslator) {
    defaults.set(QStringLiteral("autoCheckUpdates"), QStringLiteral("no"));
    const auto [during, after] = launch(steps());
    EXPECT_TRUE(after.contains(QStringLiteral("checkForUpdates")));
    EXPECT_FALSE(after.contains(QStringLiteral("refreshTranslationCatalog")));
    // A pair installed later still opens translation.
    EXPECT_TRUE(during.contains(QStringLiteral("followTranslationGate")));
    defaults.set(QStringLiteral("autoCheckUpdates"), false);
    EXPECT_FALSE(launch(steps()).second.contains(QStringLiteral("checkForUpdates")));
}

TEST_F(Launch, ShutdownStopsInOrderOnceAndCancelsThePendingUpdateCheck) {
    AppDelegate delegate(steps(), defaults, environment);
    delegate.applicationDidFinishLaunching(); // 4 s update check pending
    QThreadPool::globalInstance()->waitForDone();
    calls.clear();
    delegate.applicationWillTerminate();
    delegate.applicationWillTerminate();
    EXPECT_EQ(calls, (QStringList{"endEngineSetup", "putBackClipboard", "stopReading", "stopRecording", "restoreVolume",
                                  "endSpeechServer", "stopLanguageModelServer"}));
    QTest::qWait(20);
    EXPECT_FALSE(calls.contains(QStringLiteral("checkForUpdates")));
}

TEST_F(Launch, PreparingToQuitFinishesOnlyOnceTheClipboardIsBackAndBothServersAreGone) {
    AppDelegate delegate(steps(), defaults, environment);
    serverGone.start();
    clipboardBack.start();
    cleanupServerGone.start();
    const QFuture<void> prepared = delegate.prepareToQuit();
    EXPECT_EQ(calls, (QStringList{"endEngineSetup", "putBackClipboard", "stopReading", "stopRecording", "restoreVolume",
                                  "endSpeechServer", "stopLanguageModelServer"}));
    EXPECT_FALSE(prepared.isFinished());
    calls.clear();
    delegate.applicationWillTerminate();
    EXPECT_TRUE(calls.isEmpty()) << "the end ran its steps again";
    serverGone.finish();
    EXPECT_FALSE(prepared.isFinished()) << "the quit did not wait for the paste's clipboard";
    clipboardBack.finish();
    EXPECT_FALSE(prepared.isFinished()) << "the quit did not wait for the cleanup server";
    cleanupServerGone.finish();
    EXPECT_TRUE(prepared.isFinished());
}

TEST_F(Launch, ReopenShowsTheMainWindow) {
    AppDelegate delegate(steps(), defaults, environment);
    EXPECT_TRUE(delegate.applicationShouldHandleReopen());
    EXPECT_EQ(calls, QStringList{QStringLiteral("showMainWindow")});
}

TEST_F(Launch, ClosingAMainWindowReevaluatesTheTaskbarPresenceButAPanelDoesNot) {
    AppDelegate delegate(steps(), defaults, environment);
    delegate.applicationDidFinishLaunching();
    QThreadPool::globalInstance()->waitForDone();
    QTest::qWait(10);
    calls.clear();
    QWidget panel(nullptr, Qt::Tool);
    panel.show();
    panel.close();
    QTest::qWait(10);
    EXPECT_FALSE(calls.contains(QStringLiteral("dockRefreshPolicy")));
    QWidget window;
    window.show();
    window.close();
    QTest::qWait(10);
    EXPECT_TRUE(calls.contains(QStringLiteral("dockRefreshPolicy")));
}

TEST(AppDelegateTest, EnvironmentSwitchesKeepTheWindowClosed) {
    QProcessEnvironment none;
    EXPECT_TRUE(AppDelegate::shouldOpenWindowAtLaunch(none, std::nullopt));
    EXPECT_TRUE(AppDelegate::shouldOpenWindowAtLaunch(none, true));
    EXPECT_FALSE(AppDelegate::shouldOpenWindowAtLaunch(none, false));

    QProcessEnvironment setup;
    setup.insert(QStringLiteral("QV_SETUP_STATE"), QString());
    EXPECT_FALSE(AppDelegate::shouldOpenWindowAtLaunch(setup, true));

    for (const QString& name : {QStringLiteral("QV_GLASS_TEST"), QStringLiteral("QV_DIAG_TEST")}) {
        QProcessEnvironment one;
        one.insert(name, QStringLiteral("1"));
        EXPECT_FALSE(AppDelegate::shouldOpenWindowAtLaunch(one, std::nullopt)) << name.toStdString();
        QProcessEnvironment other;
        other.insert(name, QStringLiteral("yes"));
        EXPECT_TRUE(AppDelegate::shouldOpenWindowAtLaunch(other, std::nullopt)) << name.toStdString();
    }
}

TEST(AppDelegateTest, OnlyRegularQuorvaneDocumentsUpToTheLimitAreImportedAndTheOthersNamed) {
    TempFolder folder;
    Defaults defaults(folder.path() + QStringLiteral("/defaults.json"));
    QList<QByteArray> imported;
    QList<Alert> told;
    LaunchSteps steps;
    steps.importNotes = [&](const QByteArray& data) { imported << data; };
    steps.tell = [&](const Alert& alert, const std::function<void(int)>& answered) {
        told << alert;
        answered(0);
    };
    AppDelegate delegate(steps, defaults, {});
    const QString first = folder.write(QStringLiteral("a.quorvane"), "first");
    const QString upper = folder.write(QStringLiteral("b.QUORVANE"), "upper");
    const QString other = folder.write(QStringLiteral("c.json"), "other");
    const QByteArray largest(NoteDocument::kMaxBytes, 'x');
    const QString atLimit = folder.write(QStringLiteral("d.quorvane"), largest);
    const QString overLimit = folder.write(QStringLiteral("e.quorvane"), largest + 'x');
    const QString fifo = folder.file(QStringLiteral("f.quorvane"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folderNamed = folder.mkdir(QStringLiteral("g.quorvane"));
    // A writer that comes late: reading the FIFO would wait for it.
    std::thread writer([&fifo] {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            (void)::write(fd, "late", 4);
            ::close(fd);
        }
    });

    QElapsedTimer clock;
    clock.start();
    delegate.openDocuments(
        {first, upper, folder.file(QStringLiteral("missing.quorvane")), other, fifo, overLimit, folderNamed, atLimit});
    EXPECT_LT(clock.elapsed(), 1000) << "the GUI thread waited for a document";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !told.isEmpty(); }, 10000));
    writer.join();
    EXPECT_EQ(imported, (QList<QByteArray>{"first", largest}));
    ASSERT_EQ(told.size(), 1);
    const QStringList lines = told.first().text.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 4) << told.first().text.toStdString();
    const auto line = [&lines](const char* name) {
        for (const QString& said : lines)
            if (said.startsWith(QStringLiteral("\u201c%1\u201d: ").arg(QLatin1String(name))))
                return said;
        return QString();
    };
    EXPECT_TRUE(line("missing.quorvane").contains(QStringLiteral("could not be read")));
    EXPECT_TRUE(line("f.quorvane").endsWith(QStringLiteral("not a regular file.")));
    EXPECT_TRUE(line("g.quorvane").endsWith(QStringLiteral("not a regular file.")));
    EXPECT_TRUE(line("e.quorvane").contains(QStringLiteral("larger than 4 MB")));
}

TEST(AppDelegateTest, TheLaunchRetiresOnlyModelsOfOursAndLeavesTheSharedHubCacheAlone) {
    // The running program's steps, over a root of its own (its settings stand in for the test's).
    ProgramRoot root;
    // The shared model cache of the user's other tools, where the default
    // environment puts it, holding the very model folder we retired.
    const QString home = qEnvironmentVariable("HOME");
    const QString retired = QStringLiteral("models--mlx-community--Qwen2.5-3B-Instruct-4bit");
    const QString hub = home + QStringLiteral("/.cache/huggingface/hub/");
    const auto put = [](const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("weights") == 7;
    };
    ASSERT_TRUE(put(hub + retired + QStringLiteral("/snapshots/a/model.safetensors")));
    ASSERT_TRUE(put(hub + QStringLiteral(".locks/") + retired + QStringLiteral("/a.lock")));
    // The same folder in the program's own models folder is ours to remove.
    const QString ours = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Quorvane/models/") + retired;
    ASSERT_TRUE(put(ours + QStringLiteral("/model.npz")));
    Defaults::shared().remove(QStringLiteral("retiredModelsCleaned.v1"));

    LaunchSteps::standard(root).removeRetiredModels();

    EXPECT_TRUE(QFileInfo::exists(hub + retired + QStringLiteral("/snapshots/a/model.safetensors")));
    EXPECT_TRUE(QFileInfo::exists(hub + QStringLiteral(".locks/") + retired + QStringLiteral("/a.lock")));
    EXPECT_FALSE(QFileInfo::exists(ours));
    EXPECT_EQ(Defaults::shared().boolean(QStringLiteral("retiredModelsCleaned.v1")), true);
    QDir(home + QStringLiteral("/.cache/huggingface")).removeRecursively();
}

} // namespace
