#pragma once

#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/SharedInstance.h"
#include "translator/TranslationCatalog.h"

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

private:
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
};
