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
#include "support/SharedInstance.h"
#include "translator/TranslationGate.h"

#include <memory>

// The services of the program's root that the settings pages, the dashboard,
// onboarding and the problem report still reach as shared instances: made as
// the root makes them, over the program's own data folder and settings and
// the installed platform, and installed while this object lives. GUI thread.
struct InstalledServices {
    HistoryStore history{Paths::userData(), Defaults::shared()};
    SharedInstance<HistoryStore> sharedHistory{history};
    DictionaryStore dictionary{Paths::userData()};
    SharedInstance<DictionaryStore> sharedDictionary{dictionary};
    StatsStore stats{Paths::userData()};
    SharedInstance<StatsStore> sharedStats{stats};
    HotkeyManager hotkeys;
    SharedInstance<HotkeyManager> sharedHotkeys{hotkeys};
    ModifierTapMonitor modifierTaps;
    SharedInstance<ModifierTapMonitor> sharedModifierTaps{modifierTaps};
    RecognizerBias wordBias{MlxServer::baseURL(), [] { return PersonalNames::merged(DictionaryStore::canonicals()); }};
    SharedInstance<RecognizerBias> sharedWordBias{wordBias};
    EngineBootstrap engine{EngineBootstrap::Setup::defaults(),
                           EngineBootstrap::standardServices(MlxServer::shared(), LlmServer::shared())};
    SharedInstance<EngineBootstrap> sharedEngine{engine};
    VoiceTuning voiceTuning{std::make_unique<Recorder>(), [](const QByteArray& wav, std::chrono::milliseconds timeout) {
                                return Transcriber::transcribe(wav, std::chrono::duration<double>(timeout).count());
                            }};
    SharedInstance<VoiceTuning> sharedVoiceTuning{voiceTuning};
    ModeStore modes{Defaults::shared()};
    SharedInstance<ModeStore> sharedModes{modes};
    TranslationGate translationGate{[] { return Platform::current().onDeviceTranslator; }};
    SharedInstance<TranslationGate> sharedTranslationGate{translationGate};
};
