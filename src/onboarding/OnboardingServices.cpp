#include "onboarding/OnboardingServices.h"

#include "install/InstallFolder.h"
#include "install/InstallLocation.h"
#include "platform/DesktopSettings.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "reader/ReaderController.h"
#include "state/AppActions.h"
#include "support/Bundle.h"
#include "support/Defaults.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QCoreApplication>

OnboardingServices OnboardingServices::desktop(EngineBootstrap& bootstrap, ReaderController& reader) {
    OnboardingServices services;
    services.defaults = &Defaults::shared();
    services.bootstrap = &bootstrap;
    services.permissions = Platform::current().permissions;
    services.delayedCall = DelayedCalls::timers();
    services.openAccessibilitySettings = [] {
        DesktopSettings* settings = Platform::current().desktopSettings;
        return settings && settings->openAccessibility() != DesktopSettings::Opened::Nothing;
    };
    // Only our own install folder is ever moved; a packaged copy is not asked to.
    services.offerMove = [] {
        const std::optional<QString> folder = InstallFolder::running();
        return folder && !InstallLocation::isCorrect(*folder, InstallLocation::standardRoots());
    };
    services.isTranslocated = [] {
        const std::optional<QString> folder = InstallFolder::running();
        return folder && InstallLocation::isTranslocated(*folder);
    };
    services.whereItIs = [] {
        const std::optional<QString> folder = InstallFolder::running();
        return folder ? InstallLocation::whereItIs(*folder, InstallLocation::standardRoots()) : QString();
    };
    services.moveToApplications = [] {
        const std::optional<QString> folder = InstallFolder::running();
        return folder
               && InstallLocation::moveToApplications(*folder, InstallLocation::standardRoots(),
                                                      QCoreApplication::applicationPid(), requestQuit);
    };
    services.revealInFileManager = [] {
        const std::optional<QString> folder = InstallFolder::running();
        if (folder && Platform::current().fileManager)
            Platform::current().fileManager->reveal(*folder);
    };
    services.translationAvailable = [] { return Translator::isAvailable(); };
    services.catalog = &TranslationCatalog::shared();
    services.downloads = [] { return TranslationDownload::Services::standard(); };
    services.speak = [&reader](const QString& text, double speed, float volume) {
        return reader.speak(text, std::nullopt, speed, volume);
    };
    services.resourceFolder = [] { return Bundle::resourceFolder(); };
    return services;
}
