#pragma once

#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "state/ClipboardTurns.h"
#include "support/Defaults.h"
#include "support/SharedInstance.h"
#include "translator/TranslationCatalog.h"

// The services that free functions reach, installed as the program's root
// installs them, for the test programs and the benchmarks; every other
// service a test makes itself. Made after the application object. The
// action table is empty: a test that runs an action fills the entry it needs.
struct SharedServices {
    Defaults defaults{Defaults::standardFilePath()};
    SharedInstance<Defaults> sharedDefaults{defaults};
    AppState state;
    SharedInstance<AppState> sharedState{state};
    AppActions actions;
    SharedInstance<AppActions> sharedActions{actions};
    ClipboardTurns clipboardTurns;
    SharedInstance<ClipboardTurns> sharedClipboardTurns{clipboardTurns};
    MlxServer speechServer;
    SharedInstance<MlxServer> sharedSpeechServer{speechServer};
    LlmServer cleanupServer;
    SharedInstance<LlmServer> sharedCleanupServer{cleanupServer};
    TranslationCatalog catalog{TranslationCatalog::Services::standard()};
    SharedInstance<TranslationCatalog> sharedCatalog{catalog};
};
