#pragma once

// openbox on the test display for the life of the object, so that a test can
// check what changes when windows are managed. Stops it again (by its own
// process) when it goes, and puts the root window's properties back as they
// were: a window manager leaves some behind (the active window, the work
// area), which would mislead the tests that run after it.
#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QtTest/QTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

class WindowManager {
public:
    WindowManager() {
        m_root = rootProperties();
        m_process.setProgram(QStringLiteral("openbox"));
        m_process.setArguments({QStringLiteral("--sm-disable")});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_running = m_process.waitForStarted(5000) && QTest::qWaitFor([] { return announced(); }, 10000);
    }
    ~WindowManager() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
        restoreRootProperties();
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool running() const { return m_running; }

    // Whether a window manager has put its check window on the root window.
    static bool announced() {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return false;
        const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                              &format, &count, &after, &data)
                               == Success
                           && count == 1;
        if (data)
            XFree(data);
        XCloseDisplay(display);
        return found;
    }

private:
    struct Property {
        Atom type = None;
        int format = 0;
        QByteArray data;
        unsigned long items = 0;
    };

    static QHash<Atom, Property> rootProperties() {
        QHash<Atom, Property> properties;
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return properties;
        int count = 0;
        Atom* atoms = XListProperties(display, DefaultRootWindow(display), &count);
        for (int i = 0; i < count; ++i) {
            Property property;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, DefaultRootWindow(display), atoms[i], 0, 1 << 20, False, AnyPropertyType,
                                   &property.type, &property.format, &property.items, &after, &data)
                == Success) {
                // Xlib hands 32-bit items over as longs.
                const int itemSize = property.format == 32 ? int(sizeof(long)) : property.format / 8;
                property.data = QByteArray(reinterpret_cast<const char*>(data), int(property.items) * itemSize);
                properties.insert(atoms[i], property);
            }
            if (data)
                XFree(data);
        }
        if (atoms)
            XFree(atoms);
        XCloseDisplay(display);
        return properties;
    }

    void restoreRootProperties() const {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return;
        const Window root = DefaultRootWindow(display);
        const QHash<Atom, Property> now = rootProperties();
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            if (!m_root.contains(it.key()))
                XDeleteProperty(display, root, it.key());
        for (auto it = m_root.cbegin(); it != m_root.cend(); ++it)
            XChangeProperty(display, root, it.key(), it->type, it->format, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(it->data.constData()), int(it->items));
        XSync(display, False);
        XCloseDisplay(display);
    }

    QHash<Atom, Property> m_root;
    QProcess m_process;
    bool m_running = false;
};
