#pragma once

#include <QPoint>
#include <QString>
#include <qwindowdefs.h>

#include <memory>
#include <optional>

// A desktop test's own connection to the X server: a user's mouse, and a look
// at the windows as another program sees them.
class XClient {
public:
    XClient();
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool isOpen() const;
    // Moves the pointer to `at` and clicks the left button there.
    void leftClick(const QPoint& at);

    // The top-left corner on the screen of a mapped top-level window titled `title`.
    std::optional<QPoint> windowTitled(const QString& title);
    // The middle of a window on the screen, wherever its parents put it; a
    // null point when the window is unknown.
    QPoint centreOnScreen(WId window);
    bool isViewable(WId window);
    bool skipsTaskbar(WId window);

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
