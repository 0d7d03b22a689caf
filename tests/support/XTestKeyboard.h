#pragma once

// Types keys into the X display through XTest, over a connection of its own,
// the way a user at the keyboard would. Only for desktop tests.
#include <QString>

#include <memory>

class XTestKeyboard {
public:
    XTestKeyboard();
    ~XTestKeyboard();
    bool isOpen() const;

    // Presses or releases the key of an X keysym name ("Control_L", "d", "Num_Lock").
    void press(const char* keysym);
    void release(const char* keysym);
    void tap(const char* keysym);
    // Whether Num Lock is on.
    bool numLockOn() const;
    // Grabs Control-Alt-<keysym> on the root window, as another program holding
    // the combination would; true when the grab took.
    bool grabControlAlt(const char* keysym);
    // Lets go of that grab again.
    void ungrabControlAlt(const char* keysym);
    // Whether another client holds Control-Alt-<keysym>: grabbing it fails.
    bool controlAltHeld(const char* keysym);
    // The X key code of a keysym.
    unsigned int keyCode(const char* keysym) const;

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
