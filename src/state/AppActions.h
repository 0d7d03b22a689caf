#pragma once

#include "state/MainWindowPane.h"

#include <QString>

#include <functional>
#include <optional>

class QMenu;

// The actions that the menu, the hotkeys and the modifier taps run, in one
// table. Each entry is filled by the subsystem that provides the action; an
// empty entry means that subsystem is not part of this build, and whatever
// would run it does nothing (a menu row shows disabled).
struct AppActions {
    // Dictation (DictationController::toggle).
    std::function<void()> toggleDictation;
    // Paste the last dictation (PasteLast::run).
    std::function<void()> pasteLast;

    // Reading aloud (ReaderController): read the selection, stop reading,
    // stop reading and close the read-along window.
    std::function<void()> readSelection;
    std::function<void()> stopReading;
    std::function<void()> stopEverything;
    // Reader busy: reading, or the read-along window preparing or playing.
    std::function<bool()> readerIsReading;
    std::function<bool()> readerPreparing;
    std::function<bool()> readerHasPlayer;

    // Translation (Translator); `translationAvailable` is the on-device
    // translator's availability that gates the translation keys and menu.
    std::function<bool()> translationAvailable;
    std::function<void()> translateKeyPressed;
    std::function<void()> translateDictateKeyPressed;
    std::function<void()> translateReadKeyPressed;

    // Menu sections provided by other subsystems (modes, translation).
    std::function<void(QMenu*)> addModeSection;
    std::function<void(QMenu*)> addTranslationSection;

    // Windows and tools.
    std::function<void()> showMainWindow;
    std::function<void()> openMicrophoneTest;
    std::function<void()> reportProblem;
    std::function<void()> leaveReview;
    std::function<void()> checkForUpdates;
    // Ends the program as the menu's "Quit Quorvane" does: an open question
    // goes away unanswered first (the General page, the update, the removal
    // and the move into ~/Applications).
    std::function<void()> quit;
    // Asks, then removes everything the program wrote and quits (the General page).
    std::function<void()> uninstall;
    // The desktop's accessibility settings at zoom and display (the General
    // page) and at clicking by resting the pointer (the Reader page).
    std::function<void()> openZoomSettings;
    std::function<void()> openDwellSettings;

    // The phone link (PhoneLink::start / stop), for the switch that writes
    // "phoneLinkEnabled".
    std::function<void()> startPhoneLink;
    std::function<void()> stopPhoneLink;
    // Why the link last failed to listen (PhoneLink::lastError); none when it did not.
    std::function<std::optional<QString>()> phoneLinkError;

    // Reading, preparing or playing; false for parts that are absent.
    bool readerBusy() const;
    bool translationGate() const { return translationAvailable && translationAvailable(); }

    // The table of the running program, wired to the subsystems it has; shared
    // because the pages and free functions ask actions of floors above them.
    static AppActions& shared();
};

// Opens the main window at `page`; nothing while the table has no main window.
void openMainWindowPage(MainWindowPane page);
// Opens the main window at the Translation page.
void openTranslationPage();

// Ends the program through the table's `quit`, as the menu's "Quit Quorvane"
// does; for roads below the app (the update, the removal, the move into
// ~/Applications) that end the program themselves.
void requestQuit();

// Runs `work` as a new task on the GUI thread: after the caller has returned.
void startTask(std::function<void()> work);
