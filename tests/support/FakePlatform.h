#pragma once

#include "platform/Platform.h"
#include "support/FakeAccessibility.h"
#include "support/FakeAnnouncer.h"
#include "support/FakeAudioInput.h"
#include "support/FakeAudioPlayers.h"
#include "support/FakeChildProcesses.h"
#include "support/FakeColorScheme.h"
#include "support/FakeDesktopSettings.h"
#include "support/FakeFileManager.h"
#include "support/FakeHotkeys.h"
#include "support/FakeKeySynth.h"
#include "support/FakeLanguageDetector.h"
#include "support/FakeMemoryPressure.h"
#include "support/FakeMotionSetting.h"
#include "support/FakeOnDeviceModel.h"
#include "support/FakeOnDeviceTranslator.h"
#include "support/FakeOutputVolume.h"
#include "support/FakePasteboard.h"
#include "support/FakePermissions.h"
#include "support/FakePrimarySelection.h"
#include "support/FakeProcessTable.h"
#include "support/FakeProgramLauncher.h"
#include "support/FakeSystemSpeech.h"
#include "support/FakeUrlOpener.h"
#include "support/FakeUserAccount.h"
#include "support/FakeWindowSystem.h"
#include "support/FakeWording.h"
#include "support/FakeWorkspace.h"

// One fake of every platform service.
struct FakePlatform {
    FakeAccessibility accessibility;
    FakeAnnouncer announcer;
    FakeAudioInput audioInput;
    FakeAudioPlayers audioPlayers;
    FakeChildProcesses childProcesses;
    FakeColorScheme colorScheme;
    FakeFileManager fileManager;
    FakeHotkeys hotkeys;
    FakeKeySynth keySynth;
    FakeLanguageDetector languageDetector;
    FakeMemoryPressure memoryPressure;
    FakeMotionSetting motionSetting;
    FakeOnDeviceModel onDeviceModel;
    FakeOnDeviceTranslator onDeviceTranslator;
    FakeOutputVolume outputVolume;
    FakePasteboard pasteboard;
    FakePermissions permissions;
    FakePrimarySelection primarySelection;
    FakeProcessTable processTable;
    FakeProgramLauncher programLauncher;
    FakeDesktopSettings desktopSettings;
    FakeSystemSpeech systemSpeech;
    FakeUrlOpener urlOpener;
    FakeUserAccount userAccount;
    FakeWorkspace workspace;
    FakeWindowSystem windowSystem;
    FakeWording wording;

    Platform services() {
        Platform set;
        set.accessibility = &accessibility;
        set.announcer = &announcer;
        set.audioInput = &audioInput;
        set.audioPlayers = &audioPlayers;
        set.childProcesses = &childProcesses;
        set.colorScheme = &colorScheme;
        set.fileManager = &fileManager;
        set.hotkeys = &hotkeys;
        set.keySynth = &keySynth;
        set.languageDetector = &languageDetector;
        set.memoryPressure = &memoryPressure;
        set.motionSetting = &motionSetting;
        set.onDeviceModel = &onDeviceModel;
        set.onDeviceTranslator = &onDeviceTranslator;
        set.outputVolume = &outputVolume;
        set.pasteboard = &pasteboard;
        set.permissions = &permissions;
        set.primarySelection = &primarySelection;
        set.processTable = &processTable;
        set.programLauncher = &programLauncher;
        set.desktopSettings = &desktopSettings;
        set.systemSpeech = &systemSpeech;
        set.urlOpener = &urlOpener;
        set.userAccount = &userAccount;
        set.workspace = &workspace;
        set.windowSystem = &windowSystem;
        set.wording = &wording;
        return set;
    }
};

// Installs a fresh set of fakes for the life of the object and restores the
// previous services afterwards.
class ScopedFakePlatform : public FakePlatform {
public:
    ScopedFakePlatform() : m_previous(Platform::install(services())) {}
    ~ScopedFakePlatform() { Platform::install(m_previous); }
    ScopedFakePlatform(const ScopedFakePlatform&) = delete;
    ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;

private:
    Platform m_previous;
};
