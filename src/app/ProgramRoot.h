#pragma once

#include "audio/Recorder.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation/ProgramAudio.h"
#include "engine/DiagnosticsView.h"
#include "engine/EngineBootstrap.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/RecognizerBias.h"
#include "engine/VoiceTuning.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "insertion/InsertTarget.h"
#include "install/ReviewPrompt.h"
#include "install/Uninstaller.h"
#include "install/UpdateCheck.h"
#include "learning/CorrectionChip.h"
#include "learning/CorrectionLearner.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionWatch.h"
#include "learning/SelectionCleanup.h"
#include "learning/WordSwapper.h"
#include "mainwindow/MainWindowHost.h"
#include "mainwindow/PageServices.h"
#include "onboarding/MilestoneBadge.h"
#include "onboarding/OnboardingWindow.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/HoverReader.h"
#include "reader/ReadAloudStore.h"
#include "reader/ReaderController.h"
#include "reader/ReaderWindowController.h"
#include "reader/VoiceAudition.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "state/ClipboardTurns.h"
#include "stores/DictionaryStore.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/SharedInstance.h"
#include "translation/TranslateBar.h"
#include "translation/TranslateKeys.h"
#include "translator/TranslationCatalog.h"
#include "translator/TranslationGate.h"

#include <memory>

#include <QNetworkAccessManager>

// The program's long-lived services, made in dependency order, floor by floor,
// and destroyed in reverse. main makes the root after the platform and before
// the tray scene, and it goes before the platform and the application object.
// Each service takes what it uses in its constructor; the few reached from
// free functions are also installed as their type's shared instance (see
// SharedInstance), and nothing else is.
//
// To add a service: a member in its floor's place below (after everything it
// uses), made in the constructor with references to those, and handed to the
// services above that use it.
class ProgramRoot {
public:
    ProgramRoot();
    ~ProgramRoot();
    ProgramRoot(const ProgramRoot&) = delete;
    ProgramRoot& operator=(const ProgramRoot&) = delete;

    AppActions& actions() { return m_actions; }
    AppState& state() { return m_state; }
    Defaults& defaults() { return m_defaults; }
    DictionaryStore& dictionary() { return m_dictionary; }
    HotkeyManager& hotkeys() { return m_hotkeys; }
    ModifierTapMonitor& modifierTaps() { return m_modifierTaps; }
    RecognizerBias& wordBias() { return m_wordBias; }
    EngineBootstrap& engine() { return m_engine; }
    TranslationGate& translationGate() { return m_translationGate; }
    SystemAudio& audio() { return m_audio.audio(); }
    BubblePanel& bubble() { return m_bubble; }
    DictationController& dictation() { return m_dictation; }
    CorrectionLearner& corrections() { return m_corrections; }
    WordSwapper& wordSwapper() { return m_wordSwapper; }
    SelectionCleanup& selectionCleanup() { return m_selectionCleanup; }
    CleanupEngine& cleanup() { return m_cleanup; }
    // Where the Dashboard sends a phone note, made at the first asking.
    InsertTarget& insertTarget();

    // The microphone test's window, made at its first showing.
    void showMicrophoneTest();

    ReaderController& reader() { return m_reader; }
    HoverReader& hoverReader() { return m_hoverReader; }
    TranslateBar& translateBar() { return m_translateBar; }
    TranslateKeys& translateKeys() { return m_translateKeys; }
    UpdateCheck& updateCheck() { return m_updateCheck; }
    ReviewPrompt& reviewPrompt() { return m_reviewPrompt; }
    PhoneInbox& phoneInbox() { return m_phoneInbox; }
    PhoneLink& phoneLink() { return m_phoneLink; }
    MilestoneBadge& milestoneBadge() { return m_milestoneBadge; }
    OnboardingWindow& onboarding() { return m_onboarding; }
    MainWindowHost& mainWindow() { return m_mainWindow; }
    // What the main window's pages use of the roads.
    PageServices pages();

private:
    // The peers of the reading and translation roads, joined to each other.
    void joinReading();
    // The menu's, the hotkeys' and the pages' actions, joined to the services.
    void wireActions();

    // support and state
    Defaults m_defaults{Defaults::standardFilePath()};
    SharedInstance<Defaults> m_sharedDefaults{m_defaults};
    AppState m_state;
    SharedInstance<AppState> m_sharedState{m_state};
    // The action table is filled once every service is made (see the constructor).
    AppActions m_actions;
    SharedInstance<AppActions> m_sharedActions{m_actions};
    // The clipboard's round trips, which the paste and copy functions queue on.
    ClipboardTurns m_clipboardTurns;
    SharedInstance<ClipboardTurns> m_sharedClipboardTurns{m_clipboardTurns};

    // engine
    MlxServer m_speechServer;
    SharedInstance<MlxServer> m_sharedSpeechServer{m_speechServer};
    LlmServer m_cleanupServer;
    SharedInstance<LlmServer> m_sharedCleanupServer{m_cleanupServer};
    // Here rather than with the other cleanup services: it needs only the
    // settings and the cleanup model server.
    CleanupEngine m_cleanup{m_defaults, m_cleanupServer};

    // stores and hotkeys
    HistoryStore m_history;
    DictionaryStore m_dictionary;
    StatsStore m_stats;
    HotkeyManager m_hotkeys;
    ModifierTapMonitor m_modifierTaps;

    // engine set-up, voice tuning and the recogniser's word bias
    RecognizerBias m_wordBias;
    EngineBootstrap m_engine;
    VoiceTuning m_voiceTuning;
    std::unique_ptr<DiagnosticsView> m_microphoneTest;

    // cleanup
    ModeStore m_modes{m_defaults};

    // insertion
    std::unique_ptr<InsertTarget> m_insertTarget;

    // translator
    TranslationCatalog m_catalog{TranslationCatalog::Services::standard()};
    SharedInstance<TranslationCatalog> m_sharedCatalog{m_catalog};
    TranslationGate m_translationGate;

    // dictation and learning
    ProgramAudio m_audio;
    BubblePanel m_bubble;
    Recorder m_recorder;
    DictationController m_dictation;
    CorrectionLedger m_ledger{m_defaults};
    CorrectionWatch m_correctionWatch;
    CorrectionChip m_correctionChip;
    CorrectionLearner m_corrections{m_correctionWatch, m_correctionChip};
    WordSwapper m_wordSwapper{m_state};
    SelectionCleanup m_selectionCleanup{{m_defaults, m_state, m_cleanup, {}, {}}};

    // reading, translation, install, phone, onboarding, main window
    ReadAloudStore m_readAloud;
    ReaderWindowController m_readAlong;
    ReaderController m_reader;
    HoverReader m_hoverReader;
    VoiceAudition m_audition{m_reader};
    FlagMagnifierHover m_flagHover;
    TranslateBar m_translateBar{TranslateBar::Services::standard()};
    TranslateKeys m_translateKeys;
    QNetworkAccessManager m_updateNetwork;
    UpdateCheck m_updateCheck{UpdateCheck::standardSettings(), m_updateNetwork};
    Uninstaller m_uninstaller{Uninstaller::standardFolders(), Uninstaller::standardServices()};
    ReviewPrompt m_reviewPrompt;
    PhoneInbox m_phoneInbox;
    PhoneLink m_phoneLink;
    MilestoneBadge m_milestoneBadge{m_defaults, DelayedCalls::timers(), MilestoneBadge::Environment::desktop()};
    OnboardingWindow m_onboarding;
    MainWindowHost m_mainWindow;
};
