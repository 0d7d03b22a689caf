#pragma once

#include "platform/AudioPlayer.h"

class Accessibility;
class Announcer;
class AudioInput;
class ChildProcesses;
class ColorScheme;
class DesktopSettings;
class FileManager;
class Hotkeys;
class KeySynth;
class LanguageDetector;
class MemoryPressure;
class MotionSetting;
class OnDeviceModel;
class OnDeviceTranslator;
class OutputVolume;
class PermissionProvider;
class Pasteboard;
class PointerWatch;
class PrimarySelection;
class ProcessTable;
class SystemSpeech;
class ProgramLauncher;
class UrlOpener;
class UserAccount;
class WindowSystem;
class Wording;
class Workspace;
class DesktopApps;
class NotesApp;
class ServiceAdvertiser;

// The operating-system services the program uses, one interface each. main()
// installs the Linux implementations once; tests install fakes for a scope.
// Logic reaches a service as `Platform::current().announcer->…`.
struct Platform {
    Accessibility* accessibility = nullptr;
    Announcer* announcer = nullptr;
    AudioInput* audioInput = nullptr;
    AudioPlayer::Factory* audioPlayers = nullptr;
    ChildProcesses* childProcesses = nullptr;
    ColorScheme* colorScheme = nullptr;
    DesktopSettings* desktopSettings = nullptr;
    FileManager* fileManager = nullptr;
    Hotkeys* hotkeys = nullptr;
    KeySynth* keySynth = nullptr;
    LanguageDetector* languageDetector = nullptr;
    MemoryPressure* memoryPressure = nullptr;
    MotionSetting* motionSetting = nullptr;
    OnDeviceModel* onDeviceModel = nullptr;
    OnDeviceTranslator* onDeviceTranslator = nullptr;
    OutputVolume* outputVolume = nullptr;
    Pasteboard* pasteboard = nullptr;
    PermissionProvider* permissions = nullptr;
    PointerWatch* pointerWatch = nullptr;
    PrimarySelection* primarySelection = nullptr;
    ProcessTable* processTable = nullptr;
    SystemSpeech* systemSpeech = nullptr;
    ProgramLauncher* programLauncher = nullptr;
    UrlOpener* urlOpener = nullptr;
    UserAccount* userAccount = nullptr;
    Workspace* workspace = nullptr;
    DesktopApps* desktopApps = nullptr;
    NotesApp* notesApp = nullptr;
    ServiceAdvertiser* serviceAdvertiser = nullptr;
    WindowSystem* windowSystem = nullptr;
    Wording* wording = nullptr;

    static const Platform& current();
    // Replaces the services in use and returns the previous set.
    static Platform install(const Platform& services);
};
