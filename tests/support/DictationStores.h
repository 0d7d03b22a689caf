#pragma once

#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "dictation/DictationController.h"
#include "dictation/SystemAudio.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/Paths.h"

// The stores a dictation goes through, in the program's own data folder and
// settings, as the running program has them, with the installed servers.
struct DictationStores {
    ModeStore modes{Defaults::shared()};
    HistoryStore history{Paths::userData(), Defaults::shared()};
    StatsStore stats{Paths::userData()};
    SystemAudio audio{nullptr, nullptr, Paths::engineFolder() + QStringLiteral("/ducked-volume.json")};
    CleanupEngine cleanup{Defaults::shared(), LlmServer::shared()};

    DictationController::Services services() {
        return {modes, history, stats, MlxServer::shared(), LlmServer::shared(), audio, cleanup};
    }
};
