#pragma once

#include "looks/Alert.h"

#include <QFuture>
#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <optional>

class Defaults;
class ProgramRoot;

// The steps that start-up and shutdown run, each provided by the subsystem that
// owns it. An empty step is a subsystem this build does not have yet: the
// sequence passes over it.
struct LaunchSteps {
    // Start-up, in order.
    std::function<void()> connectDictation;          // the bubble and other peers of the dictation
    std::function<void()> restoreLeftoverVolume;     // a volume a crashed run left ducked
    std::function<void()> warmDictionary;            // 1
    std::function<void()> sendWordsOnceReady;        // 2, on the thread pool
    std::function<bool()> translationAvailable;      // gates 3
    std::function<void()> refreshTranslationCatalog; // 3, task
    std::function<void()> followTranslationGate;     // pairs added or removed while running
    std::function<void()> ignoreBrokenPipe;          // 4
    std::function<void()> applyAppearance;           // 5
    std::function<void()> dockStart;                 // 6
    std::function<void()> dockRefreshPolicy;         // 6, and when a main window closes
    std::function<void()> migrateEngineFolder;       // 7
    std::function<void()> removeRetiredModels;       // 8, on the thread pool
    std::function<void()> migrateSettings;           // 9
    std::function<void()> considerReviewPrompt;      // 10.1, task
    std::function<bool()> phoneLinkEnabled;          // 10.2, task
    std::function<void()> startPhoneLink;
    std::function<void()> checkForUpdates;        // 10.3, 4 s after launch
    std::function<void()> registerHotkeys;        // 12, task
    std::function<void(bool on)> setHoverReading; // 13, task
    std::function<QFuture<bool>()> checkEngine;   // 14, off the GUI thread; the launch goes on meanwhile
    std::function<bool()> modelsComplete;
    std::function<void()> startSpeechServer;        // ready, then warm up; task
    std::function<void()> showMainWindow;           // task
    std::function<void()> showOnboarding;           // task
    std::function<void(const QString&)> trace;      // the shared trace log
    std::function<void()> watchLanguageModelMemory; // 15
    std::function<void()> startLanguageModelServer; // 15, task
    std::function<void()> startSelectionCleanup;    // 16
    std::function<void()> runSelfTests;             // 17
    std::function<void()> prepareFirstTake;         // what the first take would wait for

    // Shutdown, in order. Each that returns a future is waited for, with
    // the event loop turning, before the loop ends.
    // Ends the engine set-up's child processes, whatever their deadlines.
    std::function<void()> endEngineSetup;
    // Puts back the clipboard a paste in flight borrowed.
    std::function<QFuture<void>()> putBackClipboard;
    std::function<void()> stopReading;
    std::function<void()> stopRecording;
    std::function<void()> restoreVolume;
    // Asks the speech server to end; finished once its process is gone.
    std::function<QFuture<void>()> endSpeechServer;
    // Asks the cleanup model server this program started to end; finished
    // once its process is gone.
    std::function<QFuture<void>()> stopLanguageModelServer;

    // Documents opened with the program, and the message about those that
    // could not be.
    std::function<void(const QByteArray&)> importNotes;
    AlertPresenter tell;

    // The steps of the running program, wired to the subsystems it has, which
    // `root` made; it must outlive the steps.
    static LaunchSteps standard(ProgramRoot& root);
};

// Runs the program's start-up sequence, the first-run decision, reopening,
// documents opened with it and the shutdown order.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate(LaunchSteps steps, Defaults& defaults, QProcessEnvironment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    // Shows the main window; always true.
    bool applicationShouldHandleReopen();
    // Imports every file whose extension is exactly "quorvane", in the order
    // given, once it has been read off the GUI thread; only a regular file up
    // to the note document limit is read. One message names those that were
    // not, and why.
    void openDocuments(const QStringList& paths);
    // The shutdown steps, once, before the event loop ends: finished when the
    // clipboard is back and the engine's servers are gone, which the loop goes
    // on turning for; nothing here waits on the GUI thread.
    QFuture<void> prepareToQuit();
    // The same steps for an end that did not prepare; the server then goes
    // with the program.
    void applicationWillTerminate();

    // False when "QV_SETUP_STATE" is present, or "QV_GLASS_TEST" or "QV_DIAG_TEST"
    // is "1"; otherwise the setting, true when absent.
    static bool shouldOpenWindowAtLaunch(const QProcessEnvironment& environment, std::optional<bool> setting);
    bool launchShouldOpenWindow() const;

    // The wait before the launch's update check; tests shorten it.
    void setUpdateCheckDelay(int milliseconds) { m_updateCheckDelayMs = milliseconds; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The first-run decision once the engine check has answered: the speech
    // server (and the window) when the engine and its models are there, else
    // onboarding.
    void startEngineOrOnboarding(bool engineExists);

    LaunchSteps m_steps;
    Defaults& m_defaults;
    QProcessEnvironment m_environment;
    QTimer m_updateCheck;
    int m_updateCheckDelayMs = 4000;
    bool m_terminated = false;
    // One thread, so that documents opened one after the other are imported in that order.
    QThreadPool m_documentReads;
};
