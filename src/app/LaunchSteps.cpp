// The start-up and shutdown steps of the running program. Each subsystem adds
// its own steps here as it joins the program; the ones still missing are:
//   sendWordsOnceReady          RecognizerBias::sendOnceReady
//   translationAvailable, refreshTranslationCatalog   TranslationCatalog
//   considerReviewPrompt        ReviewPrompt::considerAsking
//   phoneLinkEnabled, startPhoneLink   PhoneLink
//   checkForUpdates             Updater::checkForUpdates(userInitiated: false)
//   setHoverReading             HoverReader
//   modelsComplete (and engineExists in full)   EngineBootstrap
//   showMainWindow              MainWindowHost::show
//   showOnboarding              OnboardingWindow::show
//   startSelectionCleanup       SelectionCleanup::start
//   runSelfTests                the developer self-tests
//   stopReading                 ReaderController::stop
//   importNotes                 PhoneInbox::importNotes
#include "app/AppDelegate.h"

#include "app/Appearance.h"
#include "app/ConfiguredHotkeys.h"
#include "app/DockIcon.h"
#include "app/Migration.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation/Recorder.h"
#include "dictation/SystemAudio.h"
#include "engine/EngineMigration.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/RetiredModels.h"
#include "insertion/DictionaryStore.h"
#include "support/Defaults.h"
#include "support/Paths.h"

#include <QFileInfo>

#include <csignal>

LaunchSteps LaunchSteps::standard() {
    LaunchSteps steps;
    steps.connectDictation = [] {
        DictationPeers peers;
        peers.bubble = &BubblePanel::shared();
        DictationController::shared().setPeers(peers);
    };
    steps.restoreLeftoverVolume = [] { SystemAudio::shared().restoreLeftover(); };
    steps.warmDictionary = [] { DictionaryStore::shared().warmUp(); };
    steps.ignoreBrokenPipe = [] { std::signal(SIGPIPE, SIG_IGN); };
    steps.applyAppearance = [] { applyStoredAppearance(); };
    steps.dockStart = [] { DockIcon::start(); };
    steps.dockRefreshPolicy = [] { DockIcon::refreshPolicy(); };
    steps.migrateEngineFolder = [] { EngineMigration::run(); };
    steps.removeRetiredModels = [] {
        RetiredModels::run(RetiredModels::hubCache(QProcessEnvironment::systemEnvironment(), Paths::home()),
                           Defaults::shared());
    };
    steps.migrateSettings = [] { Migration::runIfNeeded(); };
    steps.registerHotkeys = [] { registerConfiguredHotkeys(); };
    // The engine's interpreter is the part of the installed engine that can be
    // checked before the engine set-up joins the program.
    steps.engineExists = [] { return QFileInfo::exists(MlxServer::interpreter()); };
    steps.startSpeechServer = [] {
        MlxServer::shared().ensureReady().then(&MlxServer::shared(), [](bool ready) {
            if (ready)
                (void)MlxServer::shared().warmUp();
        });
    };
    steps.trace = [](const QString& line) { Recorder::trace(line); };
    steps.watchLanguageModelMemory = [] { LlmServer::shared().watchMemory(); };
    steps.startLanguageModelServer = [] { (void)LlmServer::shared().ensureStarted(); };

    steps.stopRecording = [] { DictationController::shared().stopCapture(); };
    steps.restoreVolume = [] { SystemAudio::shared().restore(); };
    steps.stopSpeechServer = [] { MlxServer::shared().stop(); };
    steps.stopLanguageModelServer = [] { LlmServer::shared().stopIfOwned(); };
    return steps;
}
