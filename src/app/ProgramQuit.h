#pragma once

#include <QFuture>
#include <QObject>

#include <chrono>
#include <functional>

// Ends the running program the way its menu's quit does: a question still
// open goes away unanswered, so that it cannot hold the quit up; then the
// shutdown's preparation runs while the event loop still turns, and the loop
// ends once it has finished (or after `QuitPreparation::kLimit`). Without a
// preparation the loop ends at once. Does nothing before the event loop runs.
// GUI thread.
void quitProgram();

// What a quit waits for, installed by the program's main for as long as this
// object lives; a later quit while it runs waits for the same preparation.
class QuitPreparation {
public:
    static constexpr std::chrono::seconds kLimit{10};

    // `end` ends the event loop; tests pass their own.
    explicit QuitPreparation(std::function<QFuture<void>()> prepare, std::function<void()> end = defaultEnd());
    ~QuitPreparation();
    QuitPreparation(const QuitPreparation&) = delete;
    QuitPreparation& operator=(const QuitPreparation&) = delete;

private:
    friend void quitProgram();
    static std::function<void()> defaultEnd();
    void run();

    std::function<QFuture<void>()> m_prepare;
    std::function<void()> m_end;
    // What the waits run in: they end with this object.
    QObject m_context;
    bool m_running = false;
};
