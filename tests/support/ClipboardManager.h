#pragma once

#include <QByteArray>

#include <chrono>
#include <memory>
#include <optional>

// A desktop session's clipboard manager on the harness's X server, on a
// thread and a connection of its own: it holds the user's clipboard text as
// its owner to begin with, and takes over the clipboard of a program that
// leaves while owning it (the program hands it over through the
// CLIPBOARD_MANAGER selection's SAVE_TARGETS, as Qt does at exit). It keeps
// UTF-8 text only, and keeps whatever it is handed. Desktop tests only.
class ClipboardManager {
public:
    explicit ClipboardManager(const QByteArray& text);
    ~ClipboardManager();
    ClipboardManager(const ClipboardManager&) = delete;
    ClipboardManager& operator=(const ClipboardManager&) = delete;

    // Whether it owns both selections and serves them.
    bool isRunning() const;
    // When another client first took the clipboard from it; none until then.
    std::optional<std::chrono::steady_clock::time_point> firstTakenAt() const;
    // How many leaving programs handed their clipboard over.
    int handovers() const;

private:
    struct Thread;
    std::unique_ptr<Thread> m_thread;
};
