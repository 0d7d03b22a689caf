#pragma once

#include <QObject>

#include <deque>
#include <functional>

// The program borrows the user's clipboard for round trips: it saves what is
// there, puts a text of its own on it for a moment (the sentinel of a copy of
// the selection, a text to paste) and puts the user's back. Two round trips
// at once lose the user's clipboard, as the second one saves the first one's
// text as the user's. So round trips take turns: a trip that asks while
// another is out starts only once that one has put the clipboard back, in the
// order they asked. Whoever writes the clipboard for a moment goes through
// here: the reader's and the translate keys' copy of the selection, and every
// paste (dictation, word swaps, the selection chip). GUI thread only.
class ClipboardTurns : public QObject {
    Q_OBJECT
public:
    // One trip's hold on the clipboard, from its start until end(). The trip's
    // timers hang on it, so they live exactly as long as the trip; the queue
    // deletes it once ended.
    class Turn : public QObject {
    public:
        // Hands the clipboard to the next trip; later calls do nothing.
        void end();

    private:
        friend class ClipboardTurns;
        explicit Turn(ClipboardTurns& queue);

        ClipboardTurns& m_queue;
        bool m_ended = false;
    };

    // Gets the turn once it is this trip's; it must end it on every road.
    using Trip = std::function<void(Turn& turn)>;

    // The root's: the system clipboard is one, so every free function that
    // borrows it queues here (see SharedInstance).
    static ClipboardTurns& shared();
    explicit ClipboardTurns(QObject* parent = nullptr);

    // Runs `trip` now when the clipboard is free, else after every trip that
    // asked before it has ended.
    void take(Trip trip);
    // A trip holds the clipboard or waits for it.
    bool busy() const { return m_current != nullptr || !m_waiting.empty(); }

private:
    void start(Trip trip);
    void ended(Turn& turn);
    void startNext();

    Turn* m_current = nullptr;
    std::deque<Trip> m_waiting;
};
