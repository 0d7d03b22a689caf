#include "app/AppActions.h"

#include "dictation/DictationController.h"
#include "engine/DiagnosticsWindow.h"
#include "insertion/PasteLast.h"

#include <QCoreApplication>
#include <QTimer>

bool AppActions::readerBusy() const {
    return (readerIsReading && readerIsReading()) || (readerPreparing && readerPreparing()) ||
           (readerHasPlayer && readerHasPlayer());
}

namespace {

AppActions wired() {
    AppActions actions;
    // Each subsystem sets its entries here as it joins the program:
    //   readSelection, stopReading, stopEverything, reader busy tests   ReaderController / ReaderWindowController
    //   translationAvailable, translate…KeyPressed, addTranslationSection   Translator / TranslationMenu
    //   addModeSection               ModeMenu
    //   showMainWindow               MainWindowHost
    //   reportProblem, leaveReview, checkForUpdates   ProblemReport / ReviewPrompt / Updater
    actions.toggleDictation = [] { (void)DictationController::shared().toggle(); };
    actions.pasteLast = [] { PasteLast::run(); };
    actions.openMicrophoneTest = [] { DiagnosticsWindow::show(); };
    return actions;
}

} // namespace

AppActions& AppActions::shared() {
    static AppActions actions = wired();
    return actions;
}

void startTask(std::function<void()> work) {
    QObject* context = QCoreApplication::instance();
    if (!context || !work)
        return;
    QTimer::singleShot(0, context, std::move(work));
}
