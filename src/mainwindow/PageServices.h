#pragma once

#include <functional>

class DictionaryStore;
class FlagMagnifierHover;
class HistoryStore;
class HotkeyManager;
class HoverReader;
class MilestoneBadge;
class ModeStore;
class ModifierTapMonitor;
class NoteTarget;
class PhoneNotesInbox;
class ReadAloudStore;
class ReaderController;
class RecognizerBias;
class StatsStore;
class VoiceAudition;
class VoiceTuning;

// The services that the main window's pages reach: the stores and services of
// the lower floors, then those of the roads. The program's root makes them,
// tests make their own. They outlive every page.
struct PageServices {
    HistoryStore& history;
    StatsStore& stats;
    DictionaryStore& dictionary;
    ModeStore& modes;
    RecognizerBias& wordBias;
    VoiceTuning& voiceTuning;
    HotkeyManager& hotkeys;
    ModifierTapMonitor& modifierTaps;
    // Where the Dashboard sends a phone note; made at the first asking.
    std::function<NoteTarget&()> noteTarget;

    ReaderController& reader;
    HoverReader& hover;
    ReadAloudStore& readings;
    VoiceAudition& audition;
    FlagMagnifierHover& flagHover;
    PhoneNotesInbox& inbox;
    MilestoneBadge& badge;
};
