#pragma once

class Defaults;
class HotkeyManager;
class ModifierTapMonitor;
struct AppActions;

// Binds the stored shortcuts to their actions: the dictation, paste-last and
// read-aloud hotkeys and the modifier double-taps (dictation, reading, and the
// two translation taps when on-device translation is available). Replaces
// every earlier registration; the settings pages call it after a change.
void registerConfiguredHotkeys(Defaults& defaults, HotkeyManager& hotkeys, ModifierTapMonitor& taps,
                               const AppActions& actions);
