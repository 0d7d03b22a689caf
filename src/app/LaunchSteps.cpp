// The start-up and shutdown steps of the running program, each wired to the
// subsystem that owns it.
#include "app/AppDelegate.h"

#include "app/Migration.h"
#include "app/ProgramRoot.h"
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
#include "engine/SetupChildren.h"
#include "hotkeys/ConfiguredHotkeys.h"
#include "insertion/PasteService.h"
#include "learning/CorrectionLearner.h"
#include "learning/SelectionCleanup.h"
#include "learning/WordSwapper.h"
#include "looks/Appearance.h"
#include "looks/DockIcon.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "reader/ReaderController.h"
#include "selftests/SelfTests.h"
#include "state/AppActions.h"
#include "stores/DictionaryStore.h"
#include "support/Defaults.h"
#include "translation/TranslateBar.h"
#include "translator/TranslationCatalog.h"
#include "translator/TranslationGate.h"
#include "translator/Translator.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QMetaEnum>
#include <QTimer>
#include <QtConcurrent>

#include <csignal>

LaunchSteps LaunchSteps::standard(ProgramRoot& root) {
    LaunchSteps steps;
    steps.connectDictation = [&root] {
        DictationPeers peers;
        peers.bubble = &root.bubble();
        peers.corrections = &root.corrections();
        peers.wordSwaps = &root.wordSwapper();
        peers.milestones = &root.milestoneBadge();
        root.bubble().setWordSwapTaker(&root.wordSwapper());
        root.wordSwapper().setLastInsertion(&root.dictation());
        root.dictation().setPeers(peers);
    };
    steps.prepareFirstTake = [&root] {
        // What the first take would otherwise wait for, each in a turn of its
        // own: the accessibility connection, and the bubble. The first read
        // of the font list (fontconfig's scan of every font) is the longest
        // part of the bubble's first layout: it is done on the thread pool.
        QTimer::singleShot(0, &root.bubble(), [] {
            if (Accessibility* accessibility = Platform::current().accessibility)
                accessibility->prepare();
        });
        QtConcurrent::run([] { (void)QFontDatabase::families(); }).then(&root.bubble(), [&root] {
            root.bubble().prepare();
        });
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
    steps.removeRetiredModels = [] { RetiredModels::run(RetiredModels::modelsFolder(), Defaults::shared()); };
    steps.migrateSettings = [] { Migration::runIfNeeded(); };
    steps.phoneLinkEnabled = [] { return PhoneLink::isEnabled(Defaults::shared()); };
    steps.startPhoneLink = [&root] { root.phoneLink().start(); };
    steps.importNotes = [&root](const QByteArray& data) {
        root.phoneInbox().importNotes(data, PhoneInbox::Source::Document);
    };
    steps.tell = messageBoxPresenter();
    steps.considerReviewPrompt = [&root] { root.reviewPrompt().considerAsking(); };
    steps.checkForUpdates = [&root] { (void)root.updateCheck().check(false); };
    const auto registerHotkeys = [&root] {
        registerConfiguredHotkeys(root.defaults(), root.hotkeys(), root.modifierTaps(), root.actions());
    };
    steps.registerHotkeys = registerHotkeys;
    steps.setHoverReading = [&root](bool on) {
        if (on)
            root.hoverReader().start();
        else
            root.hoverReader().stop();
    };
    steps.showMainWindow = [&root] { root.mainWindow().show(std::nullopt); };
    steps.checkEngine = [&root] { return root.engine().checkEngine(); };
    steps.modelsComplete = [&root] { return root.engine().modelsComplete(); };
    steps.showOnboarding = [&root] { root.onboarding().show(); };
    steps.startSpeechServer = [] {
        MlxServer::shared().ensureReady().then(&MlxServer::shared(), [](bool ready) {
            if (ready)
                (void)MlxServer::shared().warmUp();
        });
    };
    steps.translationAvailable = [] { return Translator::isAvailable(); };
    steps.refreshTranslationCatalog = [&root] {
        TranslateBar::Peers bar = root.translateBar().peers();
        bar.openTranslationPage = [] { openTranslationPage(); };
        root.translateBar().setPeers(bar);
        // A stop of the reader ends a translated reading and its bar too.
        ReaderController::Peers reader = root.reader().peers();
        reader.hideTranslateBar = [&translateBar = root.translateBar()] { translateBar.hide(); };
        reader.abandonTranslatedReading = [&keys = root.translateKeys()] { keys.abandon(); };
        root.reader().setPeers(reader);
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
                         {root.pages(), root.dictation(), root.bubble(), root.engine(), root.dictionary(),
                          root.wordBias(), root.cleanup(), [&root] { root.showMicrophoneTest(); }});
    };

    steps.endEngineSetup = [] { SetupChildren::endAll(); };
    steps.putBackClipboard = [] { return PasteService::putBackBeforeQuit(); };
    steps.stopReading = [&root] { root.reader().stop(); };
    steps.stopRecording = [&root] { root.dictation().keepTakeForQuit(); };
    steps.restoreVolume = [&root] {
        root.audio().restore();
        root.audio().finishPending();
    };
    steps.endSpeechServer = [] { return MlxServer::shared().end(); };
    steps.stopLanguageModelServer = [] { return LlmServer::shared().endIfOwned(); };
    return steps;
}
