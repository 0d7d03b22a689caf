#include "app/ProgramRoot.h"

#include "app/ProgramQuit.h"
#include "cleanup/ModeMenu.h"
#include "dictation/PasteLast.h"
#include "engine/DiagnosticsWindow.h"
#include "engine/Transcriber.h"
#include "install/ProblemReport.h"
#include "install/ReviewPrompt.h"
#include "install/Uninstaller.h"
#include "install/UpdateCheck.h"
#include "mainwindow/MainWindowHost.h"
#include "onboarding/SystemAccessibility.h"
#include "phonelink/PhoneLink.h"
#include "platform/Platform.h"
#include "reader/ReaderController.h"
#include "reader/ReaderWindowController.h"
#include "stores/PersonalNames.h"
#include "support/Paths.h"
#include "translation/TranslateKeys.h"
#include "translation/TranslationMenu.h"
#include "translator/Translator.h"

#include <QTimer>

namespace {

BubblePanel::Desktop bubbleDesktop(DictationController& dictation) {
    BubblePanel::Desktop desktop = BubblePanel::Desktop::standard();
    // A task of its own: the re-clean starts after the click has been handled.
    desktop.cleanUp = [&dictation] {
        QTimer::singleShot(0, &dictation, [&dictation] { (void)dictation.cleanupLastInsert(std::nullopt); });
    };
    return desktop;
}

} // namespace

// The bubble's clean-up button reaches the controller made after it; it is
// only pressed once both are made.
ProgramRoot::ProgramRoot()
    : m_history(Paths::userData(), m_defaults), m_dictionary(Paths::userData()), m_stats(Paths::userData()),
      m_wordBias(MlxServer::baseURL(), [] { return PersonalNames::merged(DictionaryStore::canonicals()); }),
      m_engine(EngineBootstrap::Setup::defaults(), EngineBootstrap::standardServices(m_speechServer, m_cleanupServer)),
      m_voiceTuning(
          std::make_unique<Recorder>(),
          [](const QByteArray& wav, std::chrono::milliseconds timeout) {
              return Transcriber::transcribe(wav, std::chrono::duration<double>(timeout).count());
          },
          QUrl()),
      m_translationGate([] { return Platform::current().onDeviceTranslator; }),
      m_bubble(m_state, m_defaults, bubbleDesktop(m_dictation)),
      m_dictation(m_state, m_defaults, m_recorder,
                  {m_modes, m_history, m_stats, m_speechServer, m_cleanupServer, m_audio.audio()}),
      m_correctionWatch({m_defaults, m_ledger, [this](const QString& word) { return m_dictionary.contains(word); },
                         [](const QString& line) { Recorder::trace(line); }}),
      m_correctionChip({m_correctionWatch, m_ledger, [this](const QString& canonical, const QStringList& variants) {
                            m_dictionary.add(canonical, variants);
                        }}) {
    m_wordBias.follow(m_speechServer);
    wireActions();
}

// The dictionary's word boost goes with the recogniser bias it may have been given.
ProgramRoot::~ProgramRoot() { DictionaryStore::installWordBoost(nullptr); }

void ProgramRoot::showMicrophoneTest() {
    if (!m_microphoneTest)
        m_microphoneTest = DiagnosticsWindow::make(m_engine);
    DiagnosticsWindow::show(*m_microphoneTest);
}

void ProgramRoot::wireActions() {
    // Each subsystem sets its entries here as it joins the program.
    m_actions.toggleDictation = [this] { (void)m_dictation.toggle(); };
    m_actions.pasteLast = [this] {
        PasteLast::run(m_history, m_state, &m_bubble, [this] { (void)m_dictation.retryKeptTake(); });
    };
    m_actions.readSelection = [] { (void)ReaderController::shared().readSelection(); };
    m_actions.stopReading = [] { ReaderController::shared().stop(); };
    m_actions.stopEverything = [] { ReaderController::shared().stopEverything(); };
    m_actions.readerIsReading = [] { return ReaderController::shared().isReading(); };
    m_actions.readerPreparing = [] { return ReaderWindowController::shared().preparing(); };
    m_actions.readerHasPlayer = [] { return ReaderWindowController::shared().hasPlayer(); };
    m_actions.openMicrophoneTest = [this] { showMicrophoneTest(); };
    m_actions.reportProblem = [] { ProblemReport::open(messageBoxPresenter()); };
    m_actions.leaveReview = [] { ReviewPrompt::openPage(QStringLiteral("menu")); };
    m_actions.checkForUpdates = [] { (void)UpdateCheck::shared().check(true); };
    m_actions.uninstall = [] { Uninstaller::shared().confirmAndRemove(); };
    m_actions.quit = [] { quitProgram(); };
    m_actions.showMainWindow = [] { MainWindowHost::shared().show(std::nullopt); };
    m_actions.openZoomSettings = [] { SystemAccessibility::open(SystemAccessibility::Destination::ZoomAndDisplay); };
    m_actions.openDwellSettings = [] { SystemAccessibility::open(SystemAccessibility::Destination::DwellControl); };
    m_actions.translationAvailable = [] { return Translator::isAvailable(); };
    m_actions.translateKeyPressed = [] { TranslateKeys::shared().translateKeyPressed(); };
    m_actions.translateDictateKeyPressed = [] { TranslateKeys::shared().translateDictateKeyPressed(); };
    m_actions.translateReadKeyPressed = [] { TranslateKeys::shared().translateReadKeyPressed(); };
    m_actions.addTranslationSection = [this](QMenu* menu) {
        TranslationMenu::Services services = TranslationMenu::Services::standard();
        if (m_actions.showMainWindow)
            services.addLanguage = [] { openTranslationPage(); };
        TranslationMenu::addTo(menu, services);
    };
    m_actions.addModeSection = [this](QMenu* menu) { new ModeMenu(m_modes, m_defaults, menu); };
    m_actions.startPhoneLink = [] { PhoneLink::shared().start(); };
    m_actions.stopPhoneLink = [] { PhoneLink::shared().stop(); };
    m_actions.phoneLinkError = [] { return PhoneLink::shared().lastError(); };
}
