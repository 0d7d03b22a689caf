#pragma once

#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "install/ReviewPrompt.h"
#include "install/Uninstaller.h"
#include "install/UpdateCheck.h"
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
#include "support/Defaults.h"
#include "support/SharedInstance.h"
#include "translation/TranslateBar.h"
#include "translation/TranslateKeys.h"
#include "translator/TranslationCatalog.h"

#include <QNetworkAccessManager>

// The program's long-lived services, made in dependency order, floor by floor,
// and destroyed in reverse. main makes the root after the platform and before
// the tray scene, and it goes before the platform and the application object.
// Each service takes what it uses in its constructor; the few reached from
// free functions are also installed as their type's shared instance.
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

    // engine
    MlxServer m_speechServer;
    SharedInstance<MlxServer> m_sharedSpeechServer{m_speechServer};
    LlmServer m_cleanupServer;
    SharedInstance<LlmServer> m_sharedCleanupServer{m_cleanupServer};

    // translator
    TranslationCatalog m_catalog{TranslationCatalog::Services::standard()};
    SharedInstance<TranslationCatalog> m_sharedCatalog{m_catalog};

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
