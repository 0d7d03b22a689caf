#pragma once

// Moves and clicks the pointer of the X display through XTest, over a
// connection of its own, the way a user with a mouse would. Only for desktop
// tests and benchmarks.
#include <QPoint>

#include <memory>

class XTestPointer {
public:
    XTestPointer();
    ~XTestPointer();
    XTestPointer(const XTestPointer&) = delete;
    XTestPointer& operator=(const XTestPointer&) = delete;

    bool isOpen() const;
    void moveTo(QPoint at);
    // Presses and releases the left button where the pointer is.
    void click();
    void press();
    void release();
    // Returns once the server has taken everything sent so far.
    void sync();

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
