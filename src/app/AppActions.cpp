#include "state/AppActions.h"

#include "app/ProgramQuit.h"
#include "cleanup/ModeMenu.h"
#include "cleanup/ModeStore.h"
#include "dictation/DictationController.h"
#include "dictation/PasteLast.h"
#include "engine/DiagnosticsWindow.h"
#include "install/ProblemReport.h"
#include "install/ReviewPrompt.h"
#include "install/Uninstaller.h"
#include "install/UpdateCheck.h"
#include "mainwindow/MainWindowHost.h"
#include "onboarding/SystemAccessibility.h"
#include "phonelink/PhoneLink.h"
#include "reader/ReaderController.h"
#include "reader/ReaderWindowController.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "translation/TranslateKeys.h"
#include "translation/TranslationMenu.h"
#include "translator/Translator.h"

#include <QCoreApplication>
#include <QTimer>

bool AppActions::readerBusy() const {
    return (readerIsReading && readerIsReading()) || (readerPreparing && readerPreparing()) ||
           (readerHasPlayer && readerHasPlayer());
}

namespace {

AppActions wired() {
    AppActions actions;
    // Each subsystem sets its entries here as it joins the program.
    actions.toggleDictation = [] { (void)DictationController::shared().toggle(); };
    actions.pasteLast = [] { PasteLast::run(); };
    actions.readSelection = [] { (void)ReaderController::shared().readSelection(); };
    actions.stopReading = [] { ReaderController::shared().stop(); };
    actions.stopEverything = [] { ReaderController::shared().stopEverything(); };
    actions.readerIsReading = [] { return ReaderController::shared().isReading(); };
    actions.readerPreparing = [] { return ReaderWindowController::shared().preparing(); };
    actions.readerHasPlayer = [] { return ReaderWindowController::shared().hasPlayer(); };
    actions.openMicrophoneTest = [] { DiagnosticsWindow::show(); };
    actions.reportProblem = [] { ProblemReport::open(messageBoxPresenter()); };
    actions.leaveReview = [] { ReviewPrompt::openPage(QStringLiteral("menu")); };
    actions.checkForUpdates = [] { (void)UpdateCheck::shared().check(true); };
    actions.uninstall = [] { Uninstaller::shared().confirmAndRemove(); };
    actions.quit = [] { quitProgram(); };
    actions.showMainWindow = [] { MainWindowHost::shared().show(std::nullopt); };
    actions.openZoomSettings = [] { SystemAccessibility::open(SystemAccessibility::Destination::ZoomAndDisplay); };
    actions.openDwellSettings = [] { SystemAccessibility::open(SystemAccessibility::Destination::DwellControl); };
    actions.translationAvailable = [] { return Translator::isAvailable(); };
    actions.translateKeyPressed = [] { TranslateKeys::shared().translateKeyPressed(); };
    actions.translateDictateKeyPressed = [] { TranslateKeys::shared().translateDictateKeyPressed(); };
    actions.translateReadKeyPressed = [] { TranslateKeys::shared().translateReadKeyPressed(); };
    actions.addTranslationSection = [](QMenu* menu) {
        TranslationMenu::Services services = TranslationMenu::Services::standard();
        if (AppActions::shared().showMainWindow)
            services.addLanguage = [] { openTranslationPage(); };
        TranslationMenu::addTo(menu, services);
    };
    actions.addModeSection = [](QMenu* menu) { new ModeMenu(ModeStore::shared(), Defaults::shared(), menu); };
    actions.startPhoneLink = [] { PhoneLink::shared().start(); };
    actions.stopPhoneLink = [] { PhoneLink::shared().stop(); };
    actions.phoneLinkError = [] { return PhoneLink::shared().lastError(); };
    return actions;
}

} // namespace

AppActions& AppActions::shared() {
    static AppActions actions = wired();
    return actions;
}

void openMainWindowPage(MainWindowPane page) {
    const std::function<void()>& show = AppActions::shared().showMainWindow;
    if (!show)
        return;
    AppState::shared().setRequestedPane(page);
    show();
}

void openTranslationPage() { openMainWindowPage(MainWindowPane::Translation); }

void requestQuit() {
    if (const std::function<void()>& quit = AppActions::shared().quit)
        quit();
}

void startTask(std::function<void()> work) {
    QObject* context = QCoreApplication::instance();
    if (!context || !work)
        return;
    QTimer::singleShot(0, context, std::move(work));
}
