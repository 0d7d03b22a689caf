#pragma once

#include "platform/Platform.h"

#include <memory>

class ApertiumTranslator;
class AvahiServiceAdvertiser;
class GioDesktopApps;
class HtmlFolderNotesApp;
class AtspiAccessibility;
class ClipboardPasteboard;
class Cld2LanguageDetector;
class DesktopUrlOpener;
class DetachedProgramLauncher;
class LinuxDesktopSettings;
class EwmhWindowSystem;
class SessionPermissions;
class EwmhWorkspace;
class FreedesktopFileManager;
class LinuxMemoryPressure;
class LinuxMotionSetting;
class LinuxOnDeviceModel;
class LinuxWording;
class PortalColorScheme;
class PostedKeystrokes;
class PulseAudioInput;
class PulseOutputVolume;
class QtAudioSinkPlayers;
class SpeechdSystemSpeech;
class X11PrimarySelection;
class PasswdUserAccount;
class PdeathsigChildProcesses;
class ProcProcessTable;
class SpeechDispatcherAnnouncer;
class X11Hotkeys;
class X11PointerWatch;
class XTestKeySynth;

// Owns the Linux implementation of every platform service for the life of the program.
class LinuxPlatform {
public:
    LinuxPlatform();
    ~LinuxPlatform();

    Platform services() const;

private:
    // First in, last out: the key synthesizer and the key watch share it.
    std::unique_ptr<PostedKeystrokes> m_postedKeystrokes;
    std::unique_ptr<EwmhWorkspace> m_workspace;
    std::unique_ptr<AtspiAccessibility> m_accessibility;
    std::unique_ptr<SpeechDispatcherAnnouncer> m_announcer;
    std::unique_ptr<Cld2LanguageDetector> m_languageDetector;
    std::unique_ptr<LinuxMemoryPressure> m_memoryPressure;
    std::unique_ptr<LinuxMotionSetting> m_motionSetting;
    std::unique_ptr<LinuxOnDeviceModel> m_onDeviceModel;
    std::unique_ptr<PulseAudioInput> m_audioInput;
    std::unique_ptr<PulseOutputVolume> m_outputVolume;
    std::unique_ptr<XTestKeySynth> m_keySynth;
    std::unique_ptr<ClipboardPasteboard> m_pasteboard;
    std::unique_ptr<ProcProcessTable> m_processTable;
    std::unique_ptr<PdeathsigChildProcesses> m_childProcesses;
    std::unique_ptr<ApertiumTranslator> m_onDeviceTranslator;
    std::unique_ptr<PasswdUserAccount> m_userAccount;
    std::unique_ptr<PortalColorScheme> m_colorScheme;
    std::unique_ptr<X11Hotkeys> m_hotkeys;
    std::unique_ptr<X11PointerWatch> m_pointerWatch;
    std::unique_ptr<LinuxWording> m_wording;
    std::unique_ptr<DesktopUrlOpener> m_urlOpener;
    std::unique_ptr<FreedesktopFileManager> m_fileManager;
    std::unique_ptr<DetachedProgramLauncher> m_programLauncher;
    std::unique_ptr<LinuxDesktopSettings> m_desktopSettings;
    std::unique_ptr<EwmhWindowSystem> m_windowSystem;
    std::unique_ptr<SessionPermissions> m_permissions;
    std::unique_ptr<QtAudioSinkPlayers> m_audioPlayers;
    std::unique_ptr<SpeechdSystemSpeech> m_systemSpeech;
    std::unique_ptr<X11PrimarySelection> m_primarySelection;
    std::unique_ptr<AvahiServiceAdvertiser> m_serviceAdvertiser;
    std::unique_ptr<HtmlFolderNotesApp> m_notesApp;
    std::unique_ptr<GioDesktopApps> m_desktopApps;
};
