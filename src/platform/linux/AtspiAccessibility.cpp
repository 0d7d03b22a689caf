// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"

#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <climits>

namespace {

// How many elements a search for the focus visits at most.
constexpr int kSearchBudget = 4000;

template <typename T>
struct GObjectRef {
    explicit GObjectRef(T* object = nullptr) : object(object) {}
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    ~GObjectRef() {
        if (object)
            g_object_unref(object);
    }
    T* get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    T* object;
};

bool ensureInitialised() {
    static const bool ready = [] {
        atspi_init();
        return true;
    }();
    return ready;
}

// Frees a GError and tells whether there was one.
bool failed(GError*& error) {
    if (!error)
        return false;
    g_error_free(error);
    error = nullptr;
    return true;
}

QString takeString(gchar* text) {
    QString result = QString::fromUtf8(text ? text : "");
    g_free(text);
    return result;
}

gint clampOffset(qint64 offset) { return gint(std::clamp<qint64>(offset, 0, INT_MAX)); }

struct States {
    explicit States(AtspiAccessible* node) : set(atspi_accessible_get_state_set(node)) {}
    ~States() {
        if (set)
            g_object_unref(set);
    }
    bool has(AtspiStateType state) const { return set && atspi_state_set_contains(set, state); }
    AtspiStateSet* set;
};

QDBusMessage statusCall(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
}

class AtspiElement : public AccessibleElement {
public:
    AtspiElement(AtspiAccessible* node, bool countsUtf16) : m_node(node), m_utf16(countsUtf16) {}
    ~AtspiElement() override { g_object_unref(m_node); }

    QString role() const override {
        GError* error = nullptr;
        const AtspiRole role = atspi_accessible_get_role(m_node, &error);
        if (failed(error))
            return {};
        const States states(m_node);
        switch (role) {
        case ATSPI_ROLE_PASSWORD_TEXT:
            return QStringLiteral("AXSecureTextField");
        case ATSPI_ROLE_ENTRY:
        case ATSPI_ROLE_SPIN_BUTTON:
            return QStringLiteral("AXTextField");
        case ATSPI_ROLE_TEXT:
        case ATSPI_ROLE_DOCUMENT_TEXT:
        case ATSPI_ROLE_TERMINAL:
            return states.has(ATSPI_STATE_MULTI_LINE) ? QStringLiteral("AXTextArea") : QStringLiteral("AXTextField");
        case ATSPI_ROLE_COMBO_BOX:
            return QStringLiteral("AXComboBox");
        case ATSPI_ROLE_LABEL:
        case ATSPI_ROLE_STATIC:
        case ATSPI_ROLE_CAPTION:
            return QStringLiteral("AXStaticText");
        case ATSPI_ROLE_PARAGRAPH:
        case ATSPI_ROLE_SECTION:
        case ATSPI_ROLE_PANEL:
        case ATSPI_ROLE_FILLER:
            return QStringLiteral("AXGroup");
        case ATSPI_ROLE_HEADING:
            return QStringLiteral("AXHeading");
        case ATSPI_ROLE_LINK:
            return QStringLiteral("AXLink");
        case ATSPI_ROLE_PUSH_BUTTON:
            return QStringLiteral("AXButton");
        case ATSPI_ROLE_DOCUMENT_WEB:
            return QStringLiteral("AXWebArea");
        case ATSPI_ROLE_FRAME:
        case ATSPI_ROLE_WINDOW:
        case ATSPI_ROLE_DIALOG:
            return QStringLiteral("AXWindow");
        default:
            return QStringLiteral("AXUnknown");
        }
    }

    bool hasText() const override { return bool(textInterface()); }

    std::optional<QString> text(qint64 start, qint64 end) const override {
        GObjectRef<AtspiText> text(textInterface());
        if (!text || start < 0 || end < start)
            return std::nullopt;
        GError* error = nullptr;
        if (m_utf16) {
            const gint count = atspi_text_get_character_count(text.get(), &error);
            if (failed(error) || start > count)
                return std::nullopt;
            gchar* slice = atspi_text_get_text(text.get(), clampOffset(start), clampOffset(std::min<qint64>(end, count)),
                                               &error);
            if (failed(error))
                return std::nullopt;
            return takeString(slice);
        }
        // Code points: the prefix up to `end` gives both offsets in units.
        const std::optional<QString> prefix = prefixUnits(text.get(), end);
        if (!prefix || start > prefix->size())
            return std::nullopt;
        return prefix->mid(start);
    }

    std::optional<TextRange> selectedRange() const override {
        GObjectRef<AtspiText> text(textInterface());
        if (!text)
            return std::nullopt;
        GError* error = nullptr;
        const gint selections = atspi_text_get_n_selections(text.get(), &error);
        if (failed(error))
            return std::nullopt;
        gint start = 0, end = 0;
        if (selections > 0) {
            AtspiRange* range = atspi_text_get_selection(text.get(), 0, &error);
            if (failed(error) || !range)
                return std::nullopt;
            start = std::min(range->start_offset, range->end_offset);
            end = std::max(range->start_offset, range->end_offset);
            g_free(range);
        } else {
            start = end = atspi_text_get_caret_offset(text.get(), &error);
            if (failed(error) || start < 0)
                return std::nullopt;
        }
        const std::optional<qint64> from = toUnits(text.get(), start);
        const std::optional<qint64> to = end == start ? from : toUnits(text.get(), end);
        if (!from || !to)
            return std::nullopt;
        return TextRange{*from, *to - *from};
    }

    std::optional<QString> selectedText() const override {
        const std::optional<TextRange> range = selectedRange();
        if (!range)
            return std::nullopt;
        return text(range->location, range->location + range->length);
    }

    bool isSelectedRangeSettable() const override {
        if (!hasText())
            return false;
        const States states(m_node);
        return states.has(ATSPI_STATE_EDITABLE) || states.has(ATSPI_STATE_SELECTABLE_TEXT) ||
               states.has(ATSPI_STATE_FOCUSABLE);
    }

    bool isValueSettable() const override {
        GObjectRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(m_node));
        return editable && States(m_node).has(ATSPI_STATE_EDITABLE);
    }

    bool setSelectedRange(TextRange range) override {
        GObjectRef<AtspiText> text(textInterface());
        if (!text || range.location < 0 || range.length < 0)
            return false;
        const std::optional<gint> start = toToolkit(text.get(), range.location);
        const std::optional<gint> end = toToolkit(text.get(), range.location + range.length);
        if (!start || !end)
            return false;
        GError* error = nullptr;
        gboolean done = false;
        if (range.length == 0) {
            done = atspi_text_set_caret_offset(text.get(), *start, &error);
        } else {
            const gint selections = atspi_text_get_n_selections(text.get(), &error);
            if (failed(error))
                return false;
            done = selections > 0 ? atspi_text_set_selection(text.get(), 0, *start, *end, &error)
                                  : atspi_text_add_selection(text.get(), *start, *end, &error);
        }
        return !failed(error) && done;
    }

    std::optional<QRect> boundsForRange(TextRange range) const override {
        GObjectRef<AtspiText> text(textInterface());
        if (!text)
            return std::nullopt;
        const std::optional<gint> start = toToolkit(text.get(), range.location);
        const std::optional<gint> end = toToolkit(text.get(), range.location + range.length);
        if (!start || !end)
            return std::nullopt;
        GError* error = nullptr;
        if (*end > *start) {
            AtspiRect* rect = atspi_text_get_range_extents(text.get(), *start, *end, ATSPI_COORD_TYPE_SCREEN, &error);
            return takeRect(rect, error, false);
        }
        // The caret: the left edge of the next character, or the right edge of
        // the last one at the end of the text.
        const gint count = atspi_text_get_character_count(text.get(), &error);
        if (failed(error))
            return std::nullopt;
        const bool atEnd = *start >= count && count > 0;
        AtspiRect* rect = atspi_text_get_character_extents(text.get(), atEnd ? count - 1 : *start,
                                                           ATSPI_COORD_TYPE_SCREEN, &error);
        return takeRect(rect, error, atEnd);
    }

private:
    AtspiText* textInterface() const { return atspi_accessible_get_text_iface(m_node); }

    static std::optional<QRect> takeRect(AtspiRect* rect, GError*& error, bool rightEdge) {
        if (failed(error) || !rect)
            return std::nullopt;
        const QRect result = rightEdge ? QRect(rect->x + rect->width, rect->y, 0, rect->height)
                                       : QRect(rect->x, rect->y, rect->width, rect->height);
        g_free(rect);
        return result;
    }

    // The text from the start up to code point `end` (clamped), in units.
    static std::optional<QString> prefixUnits(AtspiText* text, qint64 unitsEnd) {
        GError* error = nullptr;
        // A code point is at least one unit, so `unitsEnd` code points cover `unitsEnd` units.
        gchar* prefix = atspi_text_get_text(text, 0, clampOffset(unitsEnd), &error);
        if (failed(error))
            return std::nullopt;
        return takeString(prefix).left(unitsEnd);
    }

    std::optional<qint64> toUnits(AtspiText* text, gint offset) const {
        if (m_utf16)
            return offset;
        GError* error = nullptr;
        gchar* prefix = atspi_text_get_text(text, 0, offset, &error);
        if (failed(error))
            return std::nullopt;
        return takeString(prefix).size();
    }

    // The toolkit's offset for a UTF-16 offset; nothing inside a surrogate pair.
    std::optional<gint> toToolkit(AtspiText* text, qint64 units) const {
        if (m_utf16)
            return clampOffset(units);
        const std::optional<QString> prefix = prefixUnits(text, units);
        if (!prefix)
            return std::nullopt;
        if (!prefix->isEmpty() && units <= prefix->size() && units > 0 && prefix->at(units - 1).isHighSurrogate())
            return std::nullopt;
        return clampOffset(prefix->left(units).toUcs4().size());
    }

    AtspiAccessible* m_node;
    bool m_utf16;
};

// The focused element below `node`, searching only what is on screen.
AtspiAccessible* findFocused(AtspiAccessible* node, int& budget) {
    if (--budget < 0)
        return nullptr;
    const States states(node);
    if (states.has(ATSPI_STATE_FOCUSED))
        return static_cast<AtspiAccessible*>(g_object_ref(node));
    if (states.has(ATSPI_STATE_MANAGES_DESCENDANTS) || !states.has(ATSPI_STATE_SHOWING))
        return nullptr;
    GError* error = nullptr;
    const gint children = atspi_accessible_get_child_count(node, &error);
    if (failed(error))
        return nullptr;
    for (gint i = 0; i < children && budget >= 0; ++i) {
        GObjectRef<AtspiAccessible> child(atspi_accessible_get_child_at_index(node, i, &error));
        if (failed(error) || !child)
            continue;
        if (AtspiAccessible* found = findFocused(child.get(), budget))
            return found;
    }
    return nullptr;
}

bool countsUtf16(AtspiAccessible* application) {
    GError* error = nullptr;
    const QString toolkit = takeString(atspi_accessible_get_toolkit_name(application, &error));
    failed(error);
    return toolkit.startsWith(QLatin1String("Qt"), Qt::CaseInsensitive);
}

// Calls `visit` with each application registered on the bus (never this
// program, which could not answer while it waits), with `pid` when it is known.
template <typename Visit>
void forEachApplication(qint64 pid, Visit visit) {
    ensureInitialised();
    GObjectRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (failed(error))
        return;
    const qint64 self = QCoreApplication::applicationPid();
    for (gint i = 0; i < count; ++i) {
        GObjectRef<AtspiAccessible> app(atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (failed(error) || !app)
            continue;
        const qint64 appPid = atspi_accessible_get_process_id(app.get(), &error);
        if (failed(error) || appPid == self || (pid > 0 && appPid != pid))
            continue;
        atspi_accessible_clear_cache(app.get());
        if (visit(app.get()))
            return;
    }
}

// Calls `visit` with each window of `app`, the active one first.
template <typename Visit>
void forEachWindow(AtspiAccessible* app, Visit visit) {
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(app, &error);
    if (failed(error))
        return;
    for (const bool activePass : {true, false}) {
        for (gint i = 0; i < count; ++i) {
            GObjectRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app, i, &error));
            if (failed(error) || !window)
                continue;
            if (States(window.get()).has(ATSPI_STATE_ACTIVE) == activePass && visit(window.get()))
                return;
        }
    }
}

} // namespace

AtspiAccessibility::AtspiAccessibility(Workspace* workspace) : m_workspace(workspace) {}

bool AtspiAccessibility::isTrusted() {
    const QDBusMessage reply =
        statusCall(QStringLiteral("Get"), {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

bool AtspiAccessibility::requestTrust() {
    statusCall(QStringLiteral("Set"), {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"),
                                       QVariant::fromValue(QDBusVariant(true))});
    return isTrusted();
}

std::shared_ptr<AccessibleElement> AtspiAccessibility::focusedElement() {
    std::optional<Workspace::Application> front;
    if (m_workspace)
        front = m_workspace->frontmostApplication();
    if (front && front->pid == QCoreApplication::applicationPid())
        return nullptr;
    std::shared_ptr<AccessibleElement> found;
    int budget = kSearchBudget;
    forEachApplication(front ? front->pid : 0, [&](AtspiAccessible* app) {
        const bool utf16 = countsUtf16(app);
        forEachWindow(app, [&](AtspiAccessible* window) {
            if (AtspiAccessible* focused = findFocused(window, budget))
                found = std::make_shared<AtspiElement>(focused, utf16);
            return found || budget < 0;
        });
        return found || budget < 0;
    });
    return found;
}

std::optional<QRect> AtspiAccessibility::focusedWindowFrame(qint64 pid) {
    std::optional<QRect> frame;
    if (pid <= 0)
        return frame;
    forEachApplication(pid, [&](AtspiAccessible* app) {
        forEachWindow(app, [&](AtspiAccessible* window) {
            GObjectRef<AtspiComponent> component(atspi_accessible_get_component_iface(window));
            if (!component)
                return false;
            GError* error = nullptr;
            AtspiRect* rect = atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
            if (failed(error) || !rect)
                return false;
            frame = QRect(rect->x, rect->y, rect->width, rect->height);
            g_free(rect);
            return true;
        });
        return frame.has_value();
    });
    return frame;
}
