#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/ApertiumTranslator.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/AvahiServiceAdvertiser.h"
#include "platform/linux/Cld2LanguageDetector.h"
#include "platform/linux/ClipboardPasteboard.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/DetachedProgramLauncher.h"
#include "platform/linux/EwmhWindowSystem.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/FreedesktopFileManager.h"
#include "platform/linux/GioDesktopApps.h"
#include "platform/linux/HtmlFolderNotesApp.h"
#include "platform/linux/LinuxDesktopSettings.h"
#include "platform/linux/LinuxMemoryPressure.h"
#include "platform/linux/LinuxMotionSetting.h"
#include "platform/linux/LinuxOnDeviceModel.h"
#include "platform/linux/LinuxWording.h"
#include "platform/linux/PasswdUserAccount.h"
#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/PortalColorScheme.h"
#include "platform/linux/PostedKeystrokes.h"
#include "platform/linux/ProcProcessTable.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseOutputVolume.h"
#include "platform/linux/QtAudioSinkPlayers.h"
#include "platform/linux/SessionPermissions.h"
#include "platform/linux/SpeechDispatcherAnnouncer.h"
#include "platform/linux/SpeechdSystemSpeech.h"
#include "platform/linux/X11Hotkeys.h"
#include "platform/linux/X11PointerWatch.h"
#include "platform/linux/X11PrimarySelection.h"
#include "platform/linux/XTestKeySynth.h"

LinuxPlatform::LinuxPlatform()
    : m_postedKeystrokes(std::make_unique<PostedKeystrokes>()), m_workspace(std::make_unique<EwmhWorkspace>()),
      m_accessibility(std::make_unique<AtspiAccessibility>(m_workspace.get())),
      m_announcer(std::make_unique<SpeechDispatcherAnnouncer>()),
      m_languageDetector(std::make_unique<Cld2LanguageDetector>()),
      m_memoryPressure(std::make_unique<LinuxMemoryPressure>()),
      m_motionSetting(std::make_unique<LinuxMotionSetting>()), m_onDeviceModel(std::make_unique<LinuxOnDeviceModel>()),
      m_audioInput(std::make_unique<PulseAudioInput>()), m_outputVolume(std::make_unique<PulseOutputVolume>()),
      m_keySynth(std::make_unique<XTestKeySynth>(m_postedKeystrokes.get())),
      m_pasteboard(std::make_unique<ClipboardPasteboard>()), m_processTable(std::make_unique<ProcProcessTable>()),
      m_childProcesses(std::make_unique<PdeathsigChildProcesses>()),
      m_onDeviceTranslator(std::make_unique<ApertiumTranslator>()),
      m_userAccount(std::make_unique<PasswdUserAccount>()), m_colorScheme(std::make_unique<PortalColorScheme>()),
      m_hotkeys(std::make_unique<X11Hotkeys>(m_postedKeystrokes.get())),
      m_pointerWatch(std::make_unique<X11PointerWatch>()), m_wording(std::make_unique<LinuxWording>()),
      m_urlOpener(std::make_unique<DesktopUrlOpener>()),
      m_fileManager(std::make_unique<FreedesktopFileManager>(*m_urlOpener)),
      m_programLauncher(std::make_unique<DetachedProgramLauncher>()),
      m_desktopSettings(std::make_unique<LinuxDesktopSettings>(*m_programLauncher)),
      m_windowSystem(std::make_unique<EwmhWindowSystem>()), m_audioPlayers(std::make_unique<QtAudioSinkPlayers>()),
      m_systemSpeech(std::make_unique<SpeechdSystemSpeech>()),
      m_primarySelection(std::make_unique<X11PrimarySelection>()),
      m_serviceAdvertiser(std::make_unique<AvahiServiceAdvertiser>()),
      m_notesApp(std::make_unique<HtmlFolderNotesApp>()), m_desktopApps(std::make_unique<GioDesktopApps>()) {
    m_permissions = std::make_unique<SessionPermissions>(*m_audioInput, *m_accessibility, *m_announcer);
}

LinuxPlatform::~LinuxPlatform() = default;

Platform LinuxPlatform::services() const {
    Platform services;
    services.accessibility = m_accessibility.get();
    services.announcer = m_announcer.get();
    services.languageDetector = m_languageDetector.get();
    services.colorScheme = m_colorScheme.get();
    services.hotkeys = m_hotkeys.get();
    services.pointerWatch = m_pointerWatch.get();
    services.memoryPressure = m_memoryPressure.get();
    services.motionSetting = m_motionSetting.get();
    services.onDeviceModel = m_onDeviceModel.get();
    services.audioInput = m_audioInput.get();
    services.outputVolume = m_outputVolume.get();
    services.keySynth = m_keySynth.get();
    services.pasteboard = m_pasteboard.get();
    services.processTable = m_processTable.get();
    services.childProcesses = m_childProcesses.get();
    services.workspace = m_workspace.get();
    services.onDeviceTranslator = m_onDeviceTranslator.get();
    services.userAccount = m_userAccount.get();
    services.wording = m_wording.get();
    services.audioPlayers = m_audioPlayers.get();
    services.systemSpeech = m_systemSpeech.get();
    services.primarySelection = m_primarySelection.get();
    services.urlOpener = m_urlOpener.get();
    services.fileManager = m_fileManager.get();
    services.programLauncher = m_programLauncher.get();
    services.desktopSettings = m_desktopSettings.get();
    services.serviceAdvertiser = m_serviceAdvertiser.get();
    services.notesApp = m_notesApp.get();
    services.desktopApps = m_desktopApps.get();
    services.windowSystem = m_windowSystem.get();
    services.permissions = m_permissions.get();
    return services;
}
