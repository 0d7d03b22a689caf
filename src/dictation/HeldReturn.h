#pragma once

#include "platform/Hotkeys.h"

#include <QObject>

#include <functional>
#include <optional>
#include <utility>

// Return and the keypad's Enter, taken from the applications while dictations
// think, so that a Return pressed before the words land waits for them
// instead of reaching the target first; the dictation posts it once after
// the paste, or at its end when no words come. A press while another
// application is in front is that
// application's: the keys go back at once and the press is posted to it.
// GUI thread.
class HeldReturn : public QObject {
    Q_OBJECT
public:
    // `targetInFront` tells whether the dictation's target has the keyboard;
    // `held` runs for each press held back.
    HeldReturn(std::function<bool()> targetInFront, std::function<void()> held, QObject* parent = nullptr);
    ~HeldReturn() override;

    // One more dictation holds the keys; they are taken with the first. When
    // they cannot be had (no desktop to ask, another program holds them) a
    // Return reaches the target as it is typed.
    void hold();
    // One dictation fewer; the keys go back with the last. True when no
    // dictation holds them any more.
    bool letGo();
    // Whether a press was held back since the last call.
    bool takePress() { return std::exchange(m_pressed, false); }

private:
    void pressed();
    void giveBack();

    std::function<bool()> m_targetInFront;
    std::function<void()> m_held;
    int m_holders = 0;
    Hotkeys* m_takenFrom = nullptr;
    std::optional<Hotkeys::TakeId> m_taking;
    bool m_pressed = false;
    // Presses handed to us whose handling is still queued.
    int m_unseen = 0;
};
