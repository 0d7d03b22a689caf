#include "platform/linux/EwmhWorkspace.h"

#include "platform/linux/X11Connection.h"
#include "platform/linux/X11Property.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QStandardPaths>
#include <QTextStream>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

bool hasClass(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return false;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return true;
}

// The top-level window that holds `window`: the nearest one with a class.
Window topLevelOf(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    while (window != 0 && window != root) {
        if (hasClass(display, window))
            return window;
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        window = parent;
    }
    return 0;
}

Window activeWindow(Display* display) {
    if (const Window active = X11Property::window(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW"))
        return active;
    // No window manager: the window with the input focus.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot)
        return 0;
    return topLevelOf(display, focus);
}

// The largest image of _NET_WM_ICON (width, height, then ARGB pixels, repeated).
QIcon windowIcon(Display* display, Window window) {
    const QList<unsigned long> values =
        X11Property::longs(display, window, "_NET_WM_ICON", XA_CARDINAL).value_or(QList<unsigned long>());
    const auto count = static_cast<unsigned long>(values.size());
    QImage best;
    for (unsigned long i = 0; i + 2 <= count;) {
        const unsigned long w = values[i], h = values[i + 1];
        if (w == 0 || h == 0 || w > 1024 || h > 1024 || i + 2 + w * h > count)
            break;
        if (qsizetype(w * h) > qsizetype(best.width()) * best.height()) {
            QImage image(int(w), int(h), QImage::Format_ARGB32);
            for (unsigned long p = 0; p < w * h; ++p)
                image.setPixel(int(p % w), int(p / w), uint(values[i + 2 + p]));
            best = image;
        }
        i += 2 + w * h;
    }
    return best.isNull() ? QIcon() : QIcon(QPixmap::fromImage(best));
}

// Whether an EWMH window manager runs: the root names a check window that names itself.
bool windowManagerRuns(Display* display) {
    const Window check = X11Property::window(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK");
    return check != 0 && X11Property::window(display, check, "_NET_SUPPORTING_WM_CHECK") == check;
}

bool isMapped(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

// _NET_WM_STATE client message actions.
constexpr long kStateRemove = 0;
constexpr long kStateAdd = 1;
// The request comes from an ordinary application.
constexpr long kSourceApplication = 1;

// Adds or removes one state in the window's own _NET_WM_STATE list.
void changeStateProperty(Display* display, Window window, Atom state, bool add) {
    const Atom netWmState = XInternAtom(display, "_NET_WM_STATE", False);
    QList<long> states;
    for (const unsigned long atom :
         X11Property::longs(display, window, "_NET_WM_STATE", XA_ATOM).value_or(QList<unsigned long>()))
        if (atom != state)
            states << long(atom);
    if (add)
        states << long(state);
    XChangeProperty(display, window, netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.constData()), int(states.size()));
}

QIcon entryIcon(const QString& icon) {
    if (icon.isEmpty())
        return {};
    if (QFileInfo(icon).isAbsolute())
        return QFile::exists(icon) ? QIcon(icon) : QIcon();
    return QIcon::fromTheme(icon);
}

} // namespace

std::optional<EwmhWorkspace::DesktopEntry> EwmhWorkspace::parseDesktopEntry(const QString& path, const QString& id) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    DesktopEntry entry;
    entry.id = id;
    bool inMainGroup = false;
    bool hidden = false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals < 1 || line.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("StartupWMClass"))
            entry.startupWMClass = value;
        else if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            hidden = true;
    }
    if (hidden || entry.name.isEmpty())
        return std::nullopt;
    return entry;
}

QHash<QString, EwmhWorkspace::DesktopEntry> EwmhWorkspace::scanDesktopEntries() {
    QHash<QString, DesktopEntry> entries;
    // Earlier folders take precedence (the user's own entries first).
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = QDir(folder).relativeFilePath(path);
            id.chop(int(qstrlen(".desktop")));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (entries.contains(id))
                continue;
            if (const std::optional<DesktopEntry> entry = parseDesktopEntry(path, id))
                entries.insert(id, *entry);
        }
    }
    return entries;
}

std::pair<QString, std::optional<EwmhWorkspace::DesktopEntry>>
EwmhWorkspace::identify(const QHash<QString, DesktopEntry>& entries, const QString& applicationId,
                        const QString& instance, const QString& cls) {
    if (!applicationId.isEmpty()) {
        const auto it = entries.constFind(applicationId);
        return {applicationId, it == entries.cend() ? std::nullopt : std::optional<DesktopEntry>(*it)};
    }
    for (const QString& wmClass : {cls, instance}) {
        if (wmClass.isEmpty())
            continue;
        for (const DesktopEntry& entry : entries)
            if (entry.startupWMClass.compare(wmClass, Qt::CaseInsensitive) == 0)
                return {entry.id, entry};
    }
    // An entry named after the class ("firefox.desktop" for class "Firefox").
    const QString lowered = cls.toLower();
    const auto it = entries.constFind(lowered);
    return {lowered, it == entries.cend() ? std::nullopt : std::optional<DesktopEntry>(*it)};
}

std::optional<Workspace::Application> EwmhWorkspace::frontmostApplication() {
    Display* display = X11Connection::display();
    if (!display)
        return std::nullopt;
    const Window window = activeWindow(display);
    if (window == 0)
        return std::nullopt;

    Application app;
    if (const std::optional<unsigned long> pid = X11Property::cardinal(display, window, "_NET_WM_PID"))
        app.pid = qint64(*pid);
    if (m_last && m_last->window == window && m_last->application.pid == app.pid)
        return m_last->application;

    QString instance, cls;
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint)) {
        instance = QString::fromLocal8Bit(hint.res_name);
        cls = QString::fromLocal8Bit(hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const QString applicationId = QString::fromUtf8(X11Property::text(display, window, "_GTK_APPLICATION_ID", utf8));

    if (!m_scanned) {
        m_entries = scanDesktopEntries();
        m_scanned = true;
    }
    const auto [identifier, entry] = identify(m_entries, applicationId, instance, cls);
    app.identifier = identifier;
    app.name = entry ? entry->name : cls;
    app.icon = entry ? entryIcon(entry->icon) : QIcon();
    if (app.icon.isNull())
        app.icon = windowIcon(display, window);
    m_last = Known{window, app};
    return app;
}

void EwmhWorkspace::setShownInTaskbar(QWindow& window, bool shown) {
    // Qt's own connection, so that this lands in order with Qt's requests for the window.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display || !window.handle())
        return;
    const Window id = window.winId();
    const Atom skip = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    if (isMapped(display, id) && windowManagerRuns(display)) {
        // A managed window's state belongs to the window manager: ask it.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = id;
        event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = shown ? kStateRemove : kStateAdd;
        event.xclient.data.l[1] = long(skip);
        event.xclient.data.l[3] = kSourceApplication;
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        // Not shown yet (the window manager reads the list when the window maps),
        // or nobody else keeps the list.
        changeStateProperty(display, id, skip, !shown);
    }
    XFlush(display);
}
