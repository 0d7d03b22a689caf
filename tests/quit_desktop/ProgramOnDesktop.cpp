#include "quit_desktop/ProgramOnDesktop.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <functional>
#include <unistd.h>

// After Qt: Xlib's macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace ProgramOnDesktop {
namespace {

class Connection {
public:
    Connection() : m_display(XOpenDisplay(nullptr)) {}
    ~Connection() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display() const { return m_display; }
    Window root() const { return DefaultRootWindow(m_display); }

    QList<Window> children(Window window) const {
        Window rootReturn = 0, parent = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        QList<Window> found;
        if (XQueryTree(m_display, window, &rootReturn, &parent, &list, &count)) {
            for (unsigned int i = 0; i < count; ++i)
                found.append(list[i]);
        }
        if (list)
            XFree(list);
        return found;
    }

    bool attributes(Window window, XWindowAttributes& out) const {
        return XGetWindowAttributes(m_display, window, &out) && out.map_state == IsViewable;
    }

    // The window's UTF-8 title. Qt names untitled windows, the tray icon
    // among them, after the program.
    QString title(Window window) const {
        return QString::fromUtf8(property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING")));
    }

    std::optional<qint64> pid(Window window) const {
        const QByteArray value = property(window, atom("_NET_WM_PID"), XA_CARDINAL);
        if (value.size() < qsizetype(sizeof(long)))
            return std::nullopt;
        return qint64(*reinterpret_cast<const long*>(value.constData()));
    }

    QPoint onScreen(Window window, int x, int y) const {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, window, root(), x, y, &rootX, &rootY, &child);
        return {rootX, rootY};
    }

private:
    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

    // The raw items of a property: bytes for 8-bit formats, longs for 32-bit ones.
    QByteArray property(Window window, Atom name, Atom type) const {
        Atom actual = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        QByteArray bytes;
        if (XGetWindowProperty(m_display, window, name, 0, 1024, False, type, &actual, &format, &items, &after, &data)
                == Success
            && data) {
            const qsizetype unit = format == 32 ? qsizetype(sizeof(long)) : format / 8;
            bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(items) * unit);
            XFree(data);
        }
        return bytes;
    }

    Display* m_display;
};

std::optional<QPoint> findBelow(const Connection& x, Window window, const QString& title) {
    for (Window child : x.children(window)) {
        XWindowAttributes attributes{};
        if (!x.attributes(child, attributes))
            continue;
        if (x.title(child) == title)
            return x.onScreen(child, attributes.width / 2, attributes.height / 2);
        if (const std::optional<QPoint> found = findBelow(x, child, title))
            return found;
    }
    return std::nullopt;
}

// The inodes of the sockets process `pid` holds open.
QSet<QByteArray> socketInodes(qint64 pid) {
    QSet<QByteArray> inodes;
    const QString folder = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& entry : QDir(folder).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        char target[256];
        const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + entry);
        const ssize_t length = ::readlink(path.constData(), target, sizeof target - 1);
        const QByteArray link(target, length > 0 ? length : 0);
        if (link.startsWith("socket:["))
            inodes.insert(link.mid(8, link.size() - 9));
    }
    return inodes;
}

} // namespace

std::optional<QPoint> embeddedWindow(const QString& title) {
    const Connection x;
    if (!x.display())
        return std::nullopt;
    for (Window topLevel : x.children(x.root())) {
        XWindowAttributes attributes{};
        if (!x.attributes(topLevel, attributes))
            continue;
        if (const std::optional<QPoint> found = findBelow(x, topLevel, title))
            return found;
    }
    return std::nullopt;
}

QList<QRect> popups(qint64 pid) {
    const Connection x;
    QList<QRect> frames;
    if (!x.display())
        return frames;
    for (Window window : x.children(x.root())) {
        XWindowAttributes attributes{};
        if (x.attributes(window, attributes) && attributes.override_redirect && x.pid(window) == pid)
            frames.append(QRect(x.onScreen(window, 0, 0), QSize(attributes.width, attributes.height)));
    }
    return frames;
}

QList<quint16> listeningPorts(qint64 pid) {
    constexpr char kListening[] = "0A";
    const QSet<QByteArray> inodes = socketInodes(pid);
    QList<quint16> ports;
    for (const char* table : {"tcp", "tcp6"}) {
        QFile file(QStringLiteral("/proc/%1/net/%2").arg(pid).arg(QLatin1String(table)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        // Columns: number, local address:port, remote address:port, state, …, inode (the tenth).
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> columns = lines[i].simplified().split(' ');
            if (columns.size() < 10 || columns[3] != kListening || !inodes.contains(columns[9]))
                continue;
            const QByteArray& local = columns[1];
            bool ok = false;
            const quint16 port = quint16(local.mid(local.lastIndexOf(':') + 1).toUInt(&ok, 16));
            if (ok)
                ports.append(port);
        }
    }
    return ports;
}

} // namespace ProgramOnDesktop
