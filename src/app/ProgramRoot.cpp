#include "app/ProgramRoot.h"

#include "app/ProgramQuit.h"
#include "cleanup/ModeMenu.h"
#include "cleanup/ModeStore.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation/PasteLast.h"
#include "engine/DiagnosticsWindow.h"
#include "engine/EngineBootstrap.h"
#include "engine/Transcriber.h"
#include "install/ProblemReport.h"
#include "looks/DockIcon.h"
#include "onboarding/OnboardingServices.h"
#include "onboarding/SystemAccessibility.h"
#include "phonelink/PhoneLink.h"
#include "platform/Platform.h"
#include "reader/ReaderController.h"
#include "reader/ReaderWindowController.h"
#include "stores/PersonalNames.h"
#include "stores/StatsStore.h"
#include "support/Paths.h"
#include "translation/TranslateKeys.h"
#include "translation/TranslationMenu.h"
#include "translator/TranslationGate.h"
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

ReaderWindowController::Services readAlongServices(const ReadAloudStore& readings) {
    ReaderWindowController::Services services = ReaderWindowController::Services::standard();
    services.readings = &readings;
    return services;
}

ReaderController::Services readerServices(const ReadAloudStore& readings) {
    ReaderController::Services services = ReaderController::Services::standard();
    services.readings = &readings;
    return services;
}

HoverReader::Services hoverServices(ReaderController& reader) {
    HoverReader::Services services = HoverReader::Services::standard();
    services.speak = [&reader](const QString& text) { return reader.speak(text, std::nullopt, 1.0, 1.0f); };
    services.stopReading = [&reader] { reader.stopEverything(); };
    return services;
}

TranslateKeys::Services keyServices(ReaderController& reader) {
    TranslateKeys::Services services = TranslateKeys::Services::standard();
    services.speak = [&reader](const QString& text) { return reader.speak(text, std::nullopt, 1.0, 1.0f); };
    return services;
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
                  {m_modes, m_history, m_stats, m_speechServer, m_cleanupServer, m_audio.audio(), m_cleanup}),
      m_correctionWatch({m_defaults, m_ledger, [this](const QString& word) { return m_dictionary.contains(word); },
                         [](const QString& line) { Recorder::trace(line); }}),
      m_correctionChip(
          {m_correctionWatch, m_ledger,
           [this](const QString& canonical, const QStringList& variants) { m_dictionary.add(canonical, variants); }}),
      m_readAloud(Paths::userData()), m_readAlong(readAlongServices(m_readAloud)),
      m_reader(m_state, readerServices(m_readAloud)), m_hoverReader(hoverServices(m_reader)),
      m_translateKeys(m_state, keyServices(m_reader)),
      m_reviewPrompt(ReviewPrompt::Services::standard(m_defaults, m_stats)),
      m_phoneInbox(PhoneInbox::standardFilePath(), m_cleanup, PhoneInbox::Services::standard(m_defaults, m_modes)),
      m_phoneLink(m_phoneInbox, Platform::current().serviceAdvertiser, QHostAddress::Any, PhoneLink::Limits{}),
      m_onboarding([this] { return OnboardingServices::desktop(m_engine, m_reader); }),
      m_mainWindow(m_state, m_defaults, MainWindowHost::standardView(pages(), m_translationGate),
                   MainWindowHost::standardTracePath(), DelayedCalls::timers()) {
    m_wordBias.follow(m_speechServer);
    joinReading();
    // Once onboarding is done the taskbar presence follows the settings again.
    QObject::connect(&m_onboarding, &OnboardingWindow::finished, &m_onboarding, [] { DockIcon::refreshPolicy(); });
    wireActions();
}

// The dictionary's word boost goes with the recogniser bias it may have been given.
ProgramRoot::~ProgramRoot() { DictionaryStore::installWordBoost(nullptr); }

InsertTarget& ProgramRoot::insertTarget() {
    if (!m_insertTarget)
        m_insertTarget = std::make_unique<InsertTarget>(InsertTarget::Services::standard(m_defaults));
    return *m_insertTarget;
}

void ProgramRoot::showMicrophoneTest() {
    if (!m_microphoneTest)
        m_microphoneTest = DiagnosticsWindow::make(m_engine);
    DiagnosticsWindow::show(*m_microphoneTest);
}

PageServices ProgramRoot::pages() {
    return PageServices{m_history,       m_stats,        m_dictionary,
                        m_modes,         m_wordBias,     m_voiceTuning,
                        m_hotkeys,       m_modifierTaps, [this]() -> NoteTarget& { return insertTarget(); },
                        m_reader,        m_hoverReader,  m_readAloud,
                        m_audition,      m_flagHover,    m_phoneInbox,
                        m_milestoneBadge};
}

void ProgramRoot::joinReading() {
    ReaderController::Peers reader = m_reader.peers();
    reader.bubble = &m_bubble;
    reader.readAlong = [this](const QString& text) { return m_readAlong.read(text); };
    reader.stopReadAlong = [this] { m_readAlong.stop(); };
    reader.hideReadAlong = [this] { m_readAlong.hide(); };
    m_reader.setPeers(reader);

    m_translateKeys.setPeers({&m_translateBar, &m_bubble});
    // The bar's language rows start a new translated reading of the same passage.
    TranslateBar::Peers bar = m_translateBar.peers();
    bar.readAgain = [this](const QString& passage, const QString& code) {
        (void)m_translateKeys.readTranslated(passage, code);
    };
    m_translateBar.setPeers(bar);
}

void ProgramRoot::wireActions() {
    // Each subsystem sets its entries here as it joins the program.
    m_actions.toggleDictation = [this] { (void)m_dictation.toggle(); };
    m_actions.pasteLast = [this] {
        PasteLast::run(m_history, m_state, &m_bubble, [this] { (void)m_dictation.retryKeptTake(); });
    };
    m_actions.readSelection = [this] { (void)m_reader.readSelection(); };
    m_actions.stopReading = [this] { m_reader.stop(); };
    m_actions.stopEverything = [this] { m_reader.stopEverything(); };
    m_actions.readerIsReading = [this] { return m_reader.isReading(); };
    m_actions.readerPreparing = [this] { return m_readAlong.preparing(); };
    m_actions.readerHasPlayer = [this] { return m_readAlong.hasPlayer(); };
    m_actions.openMicrophoneTest = [this] { showMicrophoneTest(); };
    m_actions.reportProblem = [this] { ProblemReport::open(m_modes, messageBoxPresenter()); };
    m_actions.leaveReview = [] { ReviewPrompt::openPage(QStringLiteral("menu")); };
    m_actions.checkForUpdates = [this] { (void)m_updateCheck.check(true); };
    m_actions.uninstall = [this] { m_uninstaller.confirmAndRemove(); };
    m_actions.quit = [] { quitProgram(); };
    m_actions.showMainWindow = [this] { m_mainWindow.show(std::nullopt); };
    m_actions.openZoomSettings = [this] {
        SystemAccessibility::open(SystemAccessibility::Destination::ZoomAndDisplay,
                                  SystemAccessibility::Services::standard(m_bubble));
    };
    m_actions.openDwellSettings = [this] {
        SystemAccessibility::open(SystemAccessibility::Destination::DwellControl,
                                  SystemAccessibility::Services::standard(m_bubble));
    };
    m_actions.translationAvailable = [] { return Translator::isAvailable(); };
    m_actions.translateKeyPressed = [this] { m_translateKeys.translateKeyPressed(); };
    m_actions.translateDictateKeyPressed = [this] { m_translateKeys.translateDictateKeyPressed(); };
    m_actions.translateReadKeyPressed = [this] { m_translateKeys.translateReadKeyPressed(); };
    m_actions.addTranslationSection = [this](QMenu* menu) {
        TranslationMenu::Services services = TranslationMenu::Services::standard(m_translateKeys);
        if (m_actions.showMainWindow)
            services.addLanguage = [] { openTranslationPage(); };
        TranslationMenu::addTo(menu, services);
    };
    m_actions.addModeSection = [this](QMenu* menu) { new ModeMenu(m_modes, m_defaults, menu); };
    m_actions.startPhoneLink = [this] { m_phoneLink.start(); };
    m_actions.stopPhoneLink = [this] { m_phoneLink.stop(); };
    m_actions.phoneLinkError = [this] { return m_phoneLink.lastError(); };
}
