#pragma once

class Accessibility;
class Announcer;
class AudioInput;
class ChildProcesses;
class ColorScheme;
class Hotkeys;
class KeySynth;
class LanguageDetector;
class MemoryPressure;
class OnDeviceModel;
class OnDeviceTranslator;
class OutputVolume;
class Pasteboard;
class ProcessTable;
class UserAccount;
class Wording;
class Workspace;

// The operating-system services the program uses, one interface each. main()
// installs the Linux implementations once; tests install fakes for a scope.
// Logic reaches a service as `Platform::current().announcer->…`.
struct Platform {
    Accessibility* accessibility = nullptr;
    Announcer* announcer = nullptr;
    AudioInput* audioInput = nullptr;
    ChildProcesses* childProcesses = nullptr;
    ColorScheme* colorScheme = nullptr;
    Hotkeys* hotkeys = nullptr;
    KeySynth* keySynth = nullptr;
    LanguageDetector* languageDetector = nullptr;
    MemoryPressure* memoryPressure = nullptr;
    OnDeviceModel* onDeviceModel = nullptr;
    OnDeviceTranslator* onDeviceTranslator = nullptr;
    OutputVolume* outputVolume = nullptr;
    Pasteboard* pasteboard = nullptr;
    ProcessTable* processTable = nullptr;
    UserAccount* userAccount = nullptr;
    Workspace* workspace = nullptr;
    Wording* wording = nullptr;

    static const Platform& current();
    // Replaces the services in use and returns the previous set.
    static Platform install(const Platform& services);
};
