#include "platform/linux/ClipboardPasteboard.h"

#include "platform/linux/X11Connection.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QMimeData>
#include <QSet>
#include <QTimer>

#include <climits>
#include <cmath>
#include <poll.h>

// X11 last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcClipboard, "quorvane.clipboard")

namespace {

using Clock = std::chrono::steady_clock;

const QString kPng = QStringLiteral("image/png");

// Formats that are views of another format rather than data of their own.
bool isDerivedFormat(const QString& format) { return format == QLatin1String("application/x-qt-image"); }

// Clipboard data that reports when an application asks for it.
class WatchedMimeData : public QMimeData {
public:
    explicit WatchedMimeData(std::function<void(QMimeData*)> fetched) : m_fetched(std::move(fetched)) {}

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        if (m_fetched)
            m_fetched(const_cast<WatchedMimeData*>(this));
        return QMimeData::retrieveData(format, type);
    }

private:
    std::function<void(QMimeData*)> m_fetched;
};

QClipboard* clipboard() { return QGuiApplication::clipboard(); }

// Targets that describe the selection or ask for side effects instead of
// holding data, and text encodings that the plain text already covers.
const QSet<QByteArray>& skippedTargets() {
    static const QSet<QByteArray> targets = {"TARGETS",
                                             "MULTIPLE",
                                             "TIMESTAMP",
                                             "SAVE_TARGETS",
                                             "DELETE",
                                             "INSERT_SELECTION",
                                             "INSERT_PROPERTY",
                                             "ATOM",
                                             "ATOM_PAIR",
                                             "INTEGER",
                                             "PIXMAP",
                                             "BITMAP",
                                             "DRAWABLE",
                                             "COLORMAP",
                                             "WINDOW",
                                             "LENGTH",
                                             "HOST_NAME",
                                             "USER",
                                             "CLIENT_WINDOW",
                                             "PROCESS",
                                             "TASK",
                                             "OWNER_OS",
                                             "NAME",
                                             "CLASS",
                                             "FILE_NAME",
                                             "TEXT",
                                             "COMPOUND_TEXT",
                                             "C_STRING",
                                             "STRING",
                                             "UTF8_STRING",
                                             "text/plain",
                                             "text/plain;charset=utf-8"};
    return targets;
}

} // namespace

// Reads another application's clipboard as the X selection protocol has it:
// ask the owner to convert to TARGETS, then to each target, and take the
// property it writes (in pieces, for INCR transfers), each step with a deadline.
class ClipboardPasteboard::SelectionReader {
public:
    SelectionReader() {
        if (X11Connection::isWayland() || QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            return;
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(m_display, m_window, PropertyChangeMask);
        const char* names[] = {"CLIPBOARD",  "TARGETS",           "INCR", "UTF8_STRING", "text/plain;charset=utf-8",
                               "text/plain", "QUORVANE_SELECTION"};
        Atom atoms[7] = {};
        XInternAtoms(m_display, const_cast<char**>(names), 7, False, atoms);
        m_clipboard = atoms[0];
        m_targets = atoms[1];
        m_incr = atoms[2];
        m_utf8 = atoms[3];
        m_utf8Mime = atoms[4];
        m_plainMime = atoms[5];
        m_property = atoms[6];
    }
    ~SelectionReader() {
        if (!m_display)
            return;
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    SelectionReader(const SelectionReader&) = delete;
    SelectionReader& operator=(const SelectionReader&) = delete;

    bool isOpen() const { return m_display != nullptr; }

    // Whether this program's QClipboard owns the clipboard: its window is one
    // of the resources of Qt's own X connection. (QClipboard's own answer lags
    // until Qt has seen that another application took the clipboard.)
    bool qtOwnsClipboard() {
        const Window owner = XGetSelectionOwner(m_display, m_clipboard);
        auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        const xcb_setup_t* qt = native && native->connection() ? xcb_get_setup(native->connection()) : nullptr;
        if (!qt)
            return clipboard()->ownsClipboard();
        return owner != None && (owner & ~Window(qt->resource_id_mask)) == qt->resource_id_base;
    }

    Snapshot read() {
        const Clock::time_point end = Clock::now() + kSnapshotBudget;
        m_ownerSilent = false;
        discardStaleEvents();
        if (XGetSelectionOwner(m_display, m_clipboard) == None)
            return {};
        const std::optional<Transfer> list = convert(m_targets, end);
        if (!list || list->format != 32) {
            qCWarning(lcClipboard) << "the clipboard's owner did not list its formats in time";
            return {};
        }
        const auto* values = reinterpret_cast<const long*>(list->bytes.constData());
        QList<Atom> targets;
        for (qsizetype i = 0; i < list->bytes.size() / qsizetype(sizeof(long)); ++i)
            targets << Atom(values[i]);

        // The plain text once, as UTF-8, from the best encoding offered.
        Item item;
        for (const auto& [target, latin1] : {std::pair{m_utf8, false}, std::pair{m_utf8Mime, false},
                                             std::pair{Atom(XA_STRING), true}, std::pair{m_plainMime, false}}) {
            if (!targets.contains(target))
                continue;
            if (const std::optional<Transfer> text = convert(target, end); text && text->format == 8)
                item.append(
                    {QStringLiteral("text/plain"), latin1 ? QString::fromLatin1(text->bytes).toUtf8() : text->bytes});
            break;
        }
        QSet<QString> seen;
        for (const Atom target : targets) {
            if (target == None || Clock::now() >= end)
                continue;
            char* name = XGetAtomName(m_display, target);
            if (!name)
                continue;
            const QByteArray format(name);
            XFree(name);
            if (skippedTargets().contains(format) || seen.contains(QString::fromLatin1(format)))
                continue;
            seen.insert(QString::fromLatin1(format));
            const std::optional<Transfer> data = convert(target, end);
            if (data && data->format == 8 && !data->bytes.isEmpty())
                item.append({QString::fromLatin1(format), data->bytes});
        }
        if (m_ownerSilent)
            qCWarning(lcClipboard) << "the clipboard's owner stopped answering; some formats are not kept";
        return item.isEmpty() ? Snapshot() : Snapshot{item};
    }

private:
    struct Transfer {
        int format = 8;
        QByteArray bytes;
    };

    // Waits for an event of `type` on our window, at most until `deadline`.
    bool waitFor(int type, XEvent& event, Clock::time_point deadline) {
        for (;;) {
            if (XCheckTypedWindowEvent(m_display, m_window, type, &event))
                return true;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
            ::poll(&connection, 1, int(left.count()));
        }
    }

    void discardStaleEvents() {
        XEvent event;
        while (XCheckTypedWindowEvent(m_display, m_window, SelectionNotify, &event)
               || XCheckTypedWindowEvent(m_display, m_window, PropertyNotify, &event)) {
        }
    }

    // Takes our property off the window: its type, format and bytes.
    std::optional<Transfer> takeProperty(Atom* type) {
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_display, m_window, m_property, 0, LONG_MAX / 4, True, AnyPropertyType, type, &format,
                               &count, &after, &data)
            != Success)
            return std::nullopt;
        Transfer transfer{format, {}};
        // Xlib hands out 32-bit items as longs.
        const size_t unit = format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : 1;
        if (data)
            transfer.bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(count * unit));
        XFree(data);
        return transfer;
    }

    // Asks the owner for `target`: nothing when it does not answer in time
    // (then nothing more is asked of it), no bytes when it refuses.
    std::optional<Transfer> convert(Atom target, Clock::time_point end) {
        if (m_ownerSilent)
            return std::nullopt;
        std::optional<Transfer> transfer = transferOf(target, end);
        m_ownerSilent = !transfer;
        return transfer;
    }

    std::optional<Transfer> transferOf(Atom target, Clock::time_point end) {
        XDeleteProperty(m_display, m_window, m_property);
        XConvertSelection(m_display, m_clipboard, target, m_property, m_window, CurrentTime);
        XFlush(m_display);
        XEvent event;
        for (;;) {
            if (!waitFor(SelectionNotify, event, std::min(end, Clock::now() + kOwnerAnswerWait)))
                return std::nullopt;
            if (event.xselection.target == target)
                break; // an answer to an earlier, abandoned question otherwise
        }
        if (event.xselection.property == None)
            return Transfer{8, {}};
        Atom type = None;
        std::optional<Transfer> transfer = takeProperty(&type);
        if (!transfer || type != m_incr)
            return transfer;
        // Incremental: each deletion of the property asks for the next piece;
        // an empty piece ends the transfer.
        Transfer whole{8, {}};
        for (bool first = true;; first = false) {
            if (!waitFor(PropertyNotify, event, std::min(end, Clock::now() + kOwnerAnswerWait)))
                return std::nullopt;
            if (event.xproperty.atom != m_property || event.xproperty.state != PropertyNewValue)
                continue;
            const std::optional<Transfer> piece = takeProperty(&type);
            if (!piece)
                return std::nullopt;
            if (first)
                whole.format = piece->format;
            if (piece->bytes.isEmpty())
                return whole;
            whole.bytes += piece->bytes;
        }
    }

    Display* m_display = nullptr;
    Window m_window = 0;
    Atom m_clipboard = None, m_targets = None, m_incr = None, m_utf8 = None, m_utf8Mime = None, m_plainMime = None,
         m_property = None;
    // Set when the owner missed a deadline during the current snapshot.
    bool m_ownerSilent = false;
};

ClipboardPasteboard::~ClipboardPasteboard() = default;

std::function<void(QMimeData*)> ClipboardPasteboard::fetchWatch() {
    // The data outlives this object when the program ends holding the
    // clipboard: the application hands it to the desktop's clipboard manager
    // as it goes, after the platform.
    return [self = QPointer<ClipboardPasteboard>(this)](QMimeData* data) {
        if (self)
            self->onFetched(data);
    };
}

ClipboardPasteboard::ClipboardPasteboard() {
    connect(clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            onChanged();
    });
}

bool ClipboardPasteboard::stillOurs() const {
    // Once another application owns the clipboard, QClipboard hands out a
    // stand-in for its data rather than ours.
    return m_ours && clipboard()->mimeData(QClipboard::Clipboard) == m_ours;
}

void ClipboardPasteboard::onChanged() {
    if (m_writing || (m_ours && stillOurs()))
        return;
    ++m_count;
    m_ours = nullptr;
    m_waiting.clear();
}

qint64 ClipboardPasteboard::changeCount() {
    // Losing the clipboard may not have been signalled yet.
    if (m_ours && !stillOurs())
        onChanged();
    return m_count;
}

Pasteboard::Snapshot ClipboardPasteboard::snapshot() {
    if (!m_readerTried) {
        m_readerTried = true;
        m_reader = std::make_unique<SelectionReader>();
    }
    if (m_reader->isOpen() && !m_reader->qtOwnsClipboard())
        return m_reader->read();
    return snapshotOfQtData();
}

Pasteboard::Snapshot ClipboardPasteboard::snapshotOfQtData() const {
    const QMimeData* data = clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return {};
    Item item;
    const QStringList formats = data->formats();
    for (const QString& format : formats) {
        if (isDerivedFormat(format))
            continue;
        const QByteArray bytes = data->data(format);
        if (!bytes.isEmpty())
            item.append({format, bytes});
    }
    // An image held only as an image object (written by this program) is kept as PNG.
    if (data->hasImage() && !formats.contains(kPng)) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG"))
            item.append({kPng, png});
    }
    return item.isEmpty() ? Snapshot() : Snapshot{item};
}

void ClipboardPasteboard::clear() {
    // Only the owner gives the clipboard up; clearing another's would take it.
    if (stillOurs())
        clipboard()->clear(QClipboard::Clipboard);
    ++m_count;
    m_ours = nullptr;
    m_waiting.clear();
}

void ClipboardPasteboard::restore(const Snapshot& items) {
    auto* data = new WatchedMimeData(fetchWatch());
    // The X clipboard holds one item: the first item's version of a format wins.
    for (const Item& item : items)
        for (const auto& [format, bytes] : item)
            if (!bytes.isEmpty() && !data->hasFormat(format))
                data->setData(format, bytes);
    // Also as an image object, so that this program's own readers see the image.
    if (data->hasFormat(kPng) && !data->hasImage()) {
        const QImage image = QImage::fromData(data->data(kPng), "PNG");
        if (!image.isNull())
            data->setImageData(image);
    }
    if (data->formats().isEmpty()) {
        delete data;
        clear();
        return;
    }
    take(data);
}

void ClipboardPasteboard::writeText(const QString& text, bool transient) {
    auto* data = new WatchedMimeData(fetchWatch());
    data->setText(text);
    if (transient) {
        // Clipboard managers skip data marked as a password, and some look for
        // the transient and concealed types instead.
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
        data->setData(QStringLiteral("org.nspasteboard.TransientType"), QByteArray());
        data->setData(QStringLiteral("org.nspasteboard.ConcealedType"), QByteArray());
    }
    take(data);
}

void ClipboardPasteboard::take(QMimeData* data) {
    m_writing = true;
    clipboard()->setMimeData(data, QClipboard::Clipboard);
    m_writing = false;
    ++m_count;
    m_ours = data;
    m_fetched = false;
    m_waiting.clear();
}

void ClipboardPasteboard::whenFetched(std::function<void()> done) {
    if (!m_ours)
        return;
    if (m_fetched)
        done();
    else
        m_waiting << std::move(done);
}

void ClipboardPasteboard::onFetched(QMimeData* data) {
    if (data != m_ours || m_fetched)
        return;
    m_fetched = true;
    // Let the transfer that asked finish before anyone replaces the data.
    QTimer::singleShot(0, this, [this, data] {
        if (data != m_ours)
            return;
        const auto waiting = std::exchange(m_waiting, {});
        for (const auto& done : waiting)
            done();
    });
}
