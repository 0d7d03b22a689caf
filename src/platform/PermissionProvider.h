#pragma once

#include <functional>

// The two permissions the first run asks for: hearing the user (the
// microphone) and reading and setting other applications' text (the desktop's
// accessibility interface). Answers never wait on another process. GUI thread.
class PermissionProvider {
public:
    virtual ~PermissionProvider() = default;

    // Whether the microphone may be used: on Linux, an input device exists.
    virtual bool microphoneGranted() = 0;
    // Asks for the microphone and calls `answer` on the GUI thread with the
    // outcome, possibly before returning. Asking again asks again.
    virtual void requestMicrophone(std::function<void(bool granted)> answer) = 0;
    // Whether the accessibility interface answers with access on.
    virtual bool accessibilityGranted() = 0;
    // Asks for accessibility without waiting for the answer (on Linux: turns
    // the session's accessibility flag on and, once the flag reads back on,
    // tells the user so). `answer` (may be empty) is called on the GUI thread,
    // possibly before this returns, with whether access is now on; later
    // accessibilityGranted() answers follow it.
    virtual void requestAccessibility(std::function<void(bool granted)> answer) = 0;
};
