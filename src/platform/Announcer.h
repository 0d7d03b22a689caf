#pragma once

#include <QString>

class QWindow;

// Speaks a message to assistive technology (a screen reader) without moving focus.
class Announcer {
public:
    // How urgently the message should be spoken. High interrupts speech under way.
    enum class Priority { Medium = 50, High = 90 };

    virtual ~Announcer() = default;
    // `window` is the window the message belongs to, or null for the application.
    virtual void announce(const QString& text, Priority priority, QWindow* window) = 0;
};
