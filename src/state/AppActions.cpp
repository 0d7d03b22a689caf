#include "state/AppActions.h"

#include "state/AppState.h"
#include "support/SharedInstance.h"

#include <QCoreApplication>
#include <QTimer>

bool AppActions::readerBusy() const {
    return (readerIsReading && readerIsReading()) || (readerPreparing && readerPreparing())
           || (readerHasPlayer && readerHasPlayer());
}

// Reached by the seams' free functions below and by the pages, which the
// action table joins to the subsystems above them.
AppActions& AppActions::shared() { return SharedInstance<AppActions>::get(); }

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
