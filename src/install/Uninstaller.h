#pragma once

#include "looks/Alert.h"

#include <QFuture>
#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class RemovalProgress;

// Removes everything the program wrote for this user (its data, the speech
// engine and the models it downloaded into it, caches, settings and logs),
// trashes the install folder, and quits. Only the program's own folders go:
// the shared model hub cache under ~/.cache holds the models of the user's
// other tools and nothing of ours, so it is left alone. A copy that is not a
// marked install folder (a package, a build tree) is never trashed. The
// servers' ends are waited for and the folders deleted off the GUI thread,
// with a busy pointer and a window that shows how far it is. GUI thread.
class Uninstaller : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kQuitFallback{3000};

    // Where the program keeps its files; the standard values follow the
    // environment and the XDG folders.
    struct Folders {
        QString home;
        QString applicationSupport;
        QString cache;
        QString config;
        QString logs;
    };

    struct Services {
        AlertPresenter present;
        // The install folder of the running copy; none for a managed copy.
        std::optional<QString> installFolder;
        // Stops every writer and server (the phone link, the engine's servers,
        // every later settings write), so nothing writes into the folders
        // while or after they go; finished once the servers' processes are gone.
        std::function<QFuture<void>()> stopEverything;
        // Ends the program; runs at most once.
        std::function<void()> quit;
        // Runs `work` after `delay` on the GUI thread.
        std::function<void(std::chrono::milliseconds delay, std::function<void()> work)> schedule;
    };

    static Folders standardFolders();
    // The running program's: message boxes, its install folder, the stop of
    // its phone link, engine servers and settings writes, the application's quit.
    static Services standardServices();

    Uninstaller(Folders folders, Services services, QObject* parent = nullptr);
    ~Uninstaller() override;

    // Every location, in the order they are removed.
    QStringList locations() const;
    // Logical bytes the locations hold; hidden files are not counted.
    qint64 totalSize() const;

    // Counts what would be freed off the GUI thread, then asks; "Cancel" takes
    // Return. Calls `answered(true)` when the removal has started, false when
    // cancelled (nothing touched, nothing scheduled).
    void confirmAndRemove(std::function<void(bool removed)> answered = {});
    // Finished once the folders are gone and the quit is on its way; a call
    // while one runs gets that one's future.
    QFuture<void> removeEverything();

private:
    void ask(qint64 bytes, std::function<void(bool removed)> answered);

    // Trashes the install folder and quits, once the folders are gone.
    void finish();

    Folders m_folders;
    Services m_services;
    bool m_quitting = false;
    std::optional<QFuture<void>> m_removal;
    std::unique_ptr<RemovalProgress> m_progress;
    QTimer m_progressTimer;
};
