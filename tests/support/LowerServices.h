#pragma once

#include "audio/Recorder.h"
#include "cleanup/ModeStore.h"
#include "engine/EngineBootstrap.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/RecognizerBias.h"
#include "engine/Transcriber.h"
#include "engine/VoiceTuning.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "platform/Platform.h"
#include "stores/DictionaryStore.h"
#include "stores/HistoryStore.h"
#include "stores/PersonalNames.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/Paths.h"
#include "translator/TranslationGate.h"

#include <memory>

// The services of the program's root below the roads that the settings pages,
// the dashboard and onboarding are handed: made as the root makes them, over
// the program's own data folder and settings and the installed platform. Make
// it after the platform the test installs. GUI thread.
struct LowerServices {
    HistoryStore history{Paths::userData(), Defaults::shared()};
    DictionaryStore dictionary{Paths::userData()};
    StatsStore stats{Paths::userData()};
    HotkeyManager hotkeys;
    ModifierTapMonitor modifierTaps;
    RecognizerBias wordBias{MlxServer::baseURL(), [] { return PersonalNames::merged(DictionaryStore::canonicals()); }};
    EngineBootstrap engine{EngineBootstrap::Setup::defaults(),
                           EngineBootstrap::standardServices(MlxServer::shared(), LlmServer::shared())};
    VoiceTuning voiceTuning{std::make_unique<Recorder>(), [](const QByteArray& wav, std::chrono::milliseconds timeout) {
                                return Transcriber::transcribe(wav, std::chrono::duration<double>(timeout).count());
                            }};
    ModeStore modes{Defaults::shared()};
    TranslationGate translationGate{[] { return Platform::current().onDeviceTranslator; }};
};
