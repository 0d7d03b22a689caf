// The start-up and shutdown steps of the running program. Each subsystem adds
// its own steps here as it joins the program; the ones still missing are:
//   sendWordsOnceReady          RecognizerBias::sendOnceReady
//   translationAvailable, refreshTranslationCatalog   TranslationCatalog
//   considerReviewPrompt        ReviewPrompt::considerAsking
//   phoneLinkEnabled, startPhoneLink   PhoneLink
//   checkForUpdates             Updater::checkForUpdates(userInitiated: false)
//   setHoverReading             HoverReader
//   showMainWindow              MainWindowHost::show
//   showOnboarding              OnboardingWindow::show (runs the engine set-up for now)
//   runSelfTests                the developer self-tests
//   stopReading                 ReaderController::stop
//   importNotes                 PhoneInbox::importNotes
#include "app/AppDelegate.h"

#include "app/AppActions.h"
#include "app/Appearance.h"
#include "app/ConfiguredHotkeys.h"
#include "app/DockIcon.h"
#include "app/Migration.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation/Recorder.h"
#include "dictation/SystemAudio.h"
#include "engine/EngineBootstrap.h"
#include "engine/EngineMigration.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/RetiredModels.h"
#include "insertion/DictionaryStore.h"
#include "learning/CorrectionLearner.h"
#include "learning/SelectionCleanup.h"
#include "learning/WordSwapper.h"
#include "support/Defaults.h"
#include "support/Paths.h"

#include <QFileInfo>
#include <QMetaEnum>

#include <csignal>

LaunchSteps LaunchSteps::standard() {
    LaunchSteps steps;
    steps.connectDictation = [] {
        DictationPeers peers;
        peers.bubble = &BubblePanel::shared();
        peers.corrections = &CorrectionLearner::shared();
        peers.wordSwaps = &WordSwapper::shared();
        BubblePanel::shared().setWordSwapTaker(&WordSwapper::shared());
        DictationController::shared().setPeers(peers);
    };
    steps.startSelectionCleanup = [] {
        SelectionCleanup::shared().setReadingCheck([] {
            const std::function<bool()>& reading = AppActions::shared().readerIsReading;
            return reading && reading();
        });
        SelectionCleanup::shared().start();
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
    steps.engineExists = [] { return EngineBootstrap::shared().engineExists(); };
    steps.modelsComplete = [] { return EngineBootstrap::shared().modelsComplete(); };
    // Until the onboarding window joins the program, its engine step runs here
    // without a window and the stages go to the engine log.
    steps.showOnboarding = [] {
        EngineBootstrap& bootstrap = EngineBootstrap::shared();
        // Noted once however often the step runs.
        static const QMetaObject::Connection noted = QObject::connect(&bootstrap, &EngineBootstrap::stageChanged, &bootstrap,
                         [&bootstrap](EngineBootstrap::Stage stage) {
                             const QString name = QString::fromLatin1(
                                 QMetaEnum::fromType<EngineBootstrap::Stage>().valueToKey(int(stage)));
                             MlxServer::note(QStringLiteral("engine set-up: ") + name +
                                             (stage == EngineBootstrap::Stage::Failed
                                                  ? QStringLiteral(": ") + bootstrap.failureMessage()
                                                  : QString()));
                         });
        (void)noted;
        (void)bootstrap.run();
    };
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
