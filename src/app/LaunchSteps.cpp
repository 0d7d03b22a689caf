// The start-up and shutdown steps of the running program, each wired to the
// subsystem that owns it.
#include "app/AppDelegate.h"

#include "app/Migration.h"
#include "app/ProgramRoot.h"
#include "app/SelfTests.h"
#include "audio/Recorder.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation/SystemAudio.h"
#include "engine/EngineBootstrap.h"
#include "engine/EngineMigration.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/RecognizerBias.h"
#include "engine/RetiredModels.h"
#include "hotkeys/ConfiguredHotkeys.h"
#include "install/ReviewPrompt.h"
#include "install/UpdateCheck.h"
#include "learning/CorrectionLearner.h"
#include "learning/SelectionCleanup.h"
#include "learning/WordSwapper.h"
#include "looks/Appearance.h"
#include "looks/DockIcon.h"
#include "mainwindow/MainWindowHost.h"
#include "onboarding/MilestoneBadge.h"
#include "onboarding/OnboardingWindow.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "reader/HoverReader.h"
#include "reader/ReaderController.h"
#include "state/AppActions.h"
#include "stores/DictionaryStore.h"
#include "support/Defaults.h"
#include "translation/TranslateBar.h"
#include "translation/TranslateKeys.h"
#include "translator/TranslationCatalog.h"
#include "translator/TranslationGate.h"
#include "translator/Translator.h"

#include <QFileInfo>
#include <QMetaEnum>

#include <csignal>

LaunchSteps LaunchSteps::standard(ProgramRoot& root) {
    LaunchSteps steps;
    steps.connectDictation = [&root] {
        DictationPeers peers;
        peers.bubble = &root.bubble();
        peers.corrections = &root.corrections();
        peers.wordSwaps = &root.wordSwapper();
        peers.milestones = &MilestoneBadge::shared();
        root.bubble().setWordSwapTaker(&root.wordSwapper());
        root.wordSwapper().setLastInsertion(&root.dictation());
        root.dictation().setPeers(peers);
    };
    steps.startSelectionCleanup = [&root] {
        root.selectionCleanup().setReadingCheck([&root] {
            const std::function<bool()>& reading = root.actions().readerIsReading;
            return reading && reading();
        });
        root.selectionCleanup().start();
    };
    steps.restoreLeftoverVolume = [&root] { root.audio().restoreLeftover(); };
    steps.warmDictionary = [&root] {
        DictionaryStore::installWordBoost(&root.wordBias());
        root.dictionary().warmUp();
    };
    steps.sendWordsOnceReady = [&root] { (void)root.wordBias().sendOnceReady(); };
    steps.ignoreBrokenPipe = [] { std::signal(SIGPIPE, SIG_IGN); };
    steps.applyAppearance = [] { applyStoredAppearance(); };
    steps.dockStart = [] { DockIcon::start(); };
    steps.dockRefreshPolicy = [] { DockIcon::refreshPolicy(); };
    steps.migrateEngineFolder = [] { EngineMigration::run(); };
    steps.removeRetiredModels = [] {
        RetiredModels::run(RetiredModels::modelsFolder(), Defaults::shared());
    };
    steps.migrateSettings = [] { Migration::runIfNeeded(); };
    steps.phoneLinkEnabled = [] { return PhoneLink::isEnabled(Defaults::shared()); };
    steps.startPhoneLink = [] { PhoneLink::shared().start(); };
    steps.importNotes = [](const QByteArray& data) {
        PhoneInbox::shared().importNotes(data, PhoneInbox::Source::Document);
    };
    steps.considerReviewPrompt = [] { ReviewPrompt::shared().considerAsking(); };
    steps.checkForUpdates = [] { (void)UpdateCheck::shared().check(false); };
    const auto registerHotkeys = [&root] {
        registerConfiguredHotkeys(root.defaults(), root.hotkeys(), root.modifierTaps(), root.actions());
    };
    steps.registerHotkeys = registerHotkeys;
    steps.setHoverReading = [](bool on) {
        if (on)
            HoverReader::shared().start();
        else
            HoverReader::shared().stop();
    };
    steps.showMainWindow = [] { MainWindowHost::shared().show(std::nullopt); };
    steps.checkEngine = [&root] { return root.engine().checkEngine(); };
    steps.modelsComplete = [&root] { return root.engine().modelsComplete(); };
    steps.showOnboarding = [] {
        OnboardingWindow& onboarding = OnboardingWindow::shared();
        // Once onboarding is done the taskbar presence follows the settings again.
        static const QMetaObject::Connection finished =
            QObject::connect(&onboarding, &OnboardingWindow::finished, &onboarding, [] { DockIcon::refreshPolicy(); });
        (void)finished;
        onboarding.show();
    };
    steps.startSpeechServer = [] {
        MlxServer::shared().ensureReady().then(&MlxServer::shared(), [](bool ready) {
            if (ready)
                (void)MlxServer::shared().warmUp();
        });
    };
    steps.translationAvailable = [] { return Translator::isAvailable(); };
    steps.refreshTranslationCatalog = [&root] {
        TranslateBar::Peers bar = TranslateBar::shared().peers();
        bar.openTranslationPage = [] { openTranslationPage(); };
        TranslateBar::shared().setPeers(bar);
        // A stop of the reader ends a translated reading and its bar too.
        ReaderController::Peers reader = ReaderController::shared().peers();
        reader.hideTranslateBar = [] { TranslateBar::shared().hide(); };
        reader.abandonTranslatedReading = [] { TranslateKeys::shared().abandon(); };
        ReaderController::shared().setPeers(reader);
        TranslationCatalog::shared().observe(root.translationGate());
        (void)TranslationCatalog::shared().refresh(false);
    };
    steps.followTranslationGate = [&root, registerHotkeys, connectTranslation = steps.refreshTranslationCatalog] {
        TranslationGate& gate = root.translationGate();
        QObject::connect(&gate, &TranslationGate::openChanged, &gate, [registerHotkeys, connectTranslation](bool open) {
            // The translate double-taps are bound only while translation works.
            registerHotkeys();
            if (open)
                connectTranslation();
        });
        gate.watch();
    };
    steps.trace = [](const QString& line) { Recorder::trace(line); };
    steps.watchLanguageModelMemory = [] { LlmServer::shared().watchMemory(); };
    steps.startLanguageModelServer = [] { (void)LlmServer::shared().ensureStarted(); };
    steps.runSelfTests = [&root] {
        SelfTests::start(QProcessEnvironment::systemEnvironment(),
                         {root.dictation(), root.bubble(), root.engine(), root.dictionary(), root.wordBias(),
                          [&root] { root.showMicrophoneTest(); }});
    };

    steps.stopReading = [] { ReaderController::shared().stop(); };
    steps.stopRecording = [&root] { root.dictation().keepTakeForQuit(); };
    steps.restoreVolume = [&root] {
        root.audio().restore();
        root.audio().finishPending();
    };
    steps.stopSpeechServer = [] { MlxServer::shared().stop(); };
    steps.stopLanguageModelServer = [] { LlmServer::shared().stopIfOwned(); };
    return steps;
}
