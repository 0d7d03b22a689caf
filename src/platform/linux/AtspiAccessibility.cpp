// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"

#include "platform/Workspace.h"
#include "platform/linux/AtspiCaretRead.h"
#include "platform/linux/AtspiRoles.h"
#include "platform/linux/AtspiSelectionRectRead.h"
#include "platform/linux/X11TopLevels.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QHash>
#include <QLoggingCategory>
#include <QThread>
#include <QtConcurrent>

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <limits>
#include <vector>

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

Q_LOGGING_CATEGORY(lcAtspi, "quorvane.atspi", QtWarningMsg)

// Keeps what the library says while it looks for its bus out of the
// program's output: a session without one is a state, not an error.
void quietly(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
    qCInfo(lcAtspi) << domain << message;
}

// Connects to the accessibility bus once. Without a bus nothing may call into
// the library: it ends the process at its first request.
bool ensureInitialised() {
    static const bool ready = [] {
        const GLogFunc previous = g_log_set_default_handler(quietly, nullptr);
        const int status = atspi_init();
        g_log_set_default_handler(previous, nullptr);
        // 0: connected now, 1: connected before; anything else: no bus.
        const bool connected = status == 0 || status == 1;
        if (!connected)
            qCWarning(lcAtspi) << "no accessibility bus: the text around the caret cannot be read";
        return connected;
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

const QString kStatusService = QStringLiteral("org.a11y.Bus");
const QString kStatusPath = QStringLiteral("/org/a11y/bus");
const QString kStatusInterface = QStringLiteral("org.a11y.Status");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kEnabled = QStringLiteral("IsEnabled");

// How long the bus may take to answer about the accessibility flag; nothing
// waits for the answer meanwhile.
constexpr std::chrono::milliseconds kStatusTimeout{2000};
// The name of our own connection to the accessibility bus.
const QString kOwnBusConnection = QStringLiteral("quorvane-accessibility");

QDBusMessage statusCall(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kStatusService, kStatusPath, kProperties, method);
    call.setArguments(arguments);
    return call;
}

// The code-point offsets of the characters that take two UTF-16 units (those
// outside the Basic Multilingual Plane), in order, and the text's length in
// code points: all it takes to turn a toolkit's offsets into UTF-16 units.
struct AstralMap {
    qint64 count = 0;
    std::vector<qint64> astral;

    qint64 unitCount() const { return count + qint64(astral.size()); }
    // The UTF-16 offset at which code point `codePoint` starts.
    qint64 unitsBefore(qint64 codePoint) const {
        return codePoint + (std::lower_bound(astral.begin(), astral.end(), codePoint) - astral.begin());
    }
    // The code point whose units hold UTF-16 offset `units`, and whether the
    // offset falls between the two halves of a surrogate pair.
    std::pair<qint64, bool> codePointAt(qint64 units) const {
        // Pairs that end at or before `units`: astral[i] + i + 2 <= units, which grows with i.
        qint64 low = 0, high = qint64(astral.size());
        while (low < high) {
            const qint64 middle = (low + high) / 2;
            if (astral[size_t(middle)] + middle + 2 <= units)
                low = middle + 1;
            else
                high = middle;
        }
        if (low < qint64(astral.size()) && astral[size_t(low)] + low + 1 == units)
            return {astral[size_t(low)], true};
        return {units - low, false};
    }
    // Records the astral characters of `utf8` (a four-byte sequence each), the
    // text's first code point being at offset `from`.
    void add(const char* utf8, qint64 from) {
        qint64 codePoint = from;
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(utf8); *c; ++c) {
            if ((*c & 0xC0) == 0x80)
                continue;
            if (*c >= 0xF0)
                astral.push_back(codePoint);
            ++codePoint;
        }
    }
};

// Reads a whole text of a code-point toolkit into its map.
std::optional<AstralMap> readAstralMap(AtspiText* text, gint count) {
    GError* error = nullptr;
    gchar* whole = atspi_text_get_text(text, 0, count, &error);
    if (failed(error))
        return std::nullopt;
    AstralMap map;
    map.count = count;
    map.add(whole ? whole : "", 0);
    g_free(whole);
    return map;
}

QString keyOf(AtspiAccessible* node) {
    const AtspiObject* object = ATSPI_OBJECT(node);
    if (!object->app || !object->app->bus_name || !object->path)
        return {};
    return QString::fromUtf8(object->app->bus_name) + QLatin1Char(' ') + QString::fromUtf8(object->path);
}

} // namespace

// The maps of large texts of code-point toolkits, kept current with the
// text-change events those applications send, so that turning an offset into
// UTF-16 units reads a few characters instead of everything before it. A map
// whose length no longer matches the text's is read afresh, so a missed event
// costs one whole read. GUI thread only (AT-SPI delivers events there).
class AtspiTextOffsets {
public:
    // Texts up to this many code points are read whole each time: that costs
    // well under a millisecond and needs no events.
    static constexpr gint kWholeReadLimit = 65536;
    static constexpr qsizetype kKeptTexts = 8;

    AtspiTextOffsets() = default;
    ~AtspiTextOffsets() {
        if (!m_listener)
            return;
        atspi_event_listener_deregister(m_listener, "object:text-changed", nullptr);
        g_object_unref(m_listener);
    }
    AtspiTextOffsets(const AtspiTextOffsets&) = delete;
    AtspiTextOffsets& operator=(const AtspiTextOffsets&) = delete;

    // The map of `node`'s current text; nothing when it cannot be read.
    std::optional<AstralMap> map(AtspiAccessible* node, AtspiText* text, bool fresh = false) {
        GError* error = nullptr;
        const gint count = atspi_text_get_character_count(text, &error);
        if (failed(error) || count < 0)
            return std::nullopt;
        if (count <= kWholeReadLimit)
            return readAstralMap(text, count);
        listen();
        const QString key = keyOf(node);
        if (!fresh && !key.isEmpty()) {
            const auto known = m_maps.constFind(key);
            if (known != m_maps.cend() && known->count == count)
                return *known;
        }
        std::optional<AstralMap> map = readAstralMap(text, count);
        if (map && !key.isEmpty())
            keep(key, *map);
        return map;
    }

private:
    void listen() {
        if (m_listener)
            return;
        m_listener = atspi_event_listener_new(&AtspiTextOffsets::onTextChanged, this, nullptr);
        GError* error = nullptr;
        atspi_event_listener_register(m_listener, "object:text-changed", &error);
        failed(error);
    }

    void keep(const QString& key, const AstralMap& map) {
        m_order.removeAll(key);
        m_order.append(key);
        m_maps.insert(key, map);
        while (m_order.size() > kKeptTexts)
            m_maps.remove(m_order.takeFirst());
    }

    static void onTextChanged(AtspiEvent* event, void* self) {
        static_cast<AtspiTextOffsets*>(self)->apply(*event);
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    void apply(const AtspiEvent& event) {
        if (!event.source || m_maps.isEmpty())
            return;
        const QString key = keyOf(event.source);
        const auto found = m_maps.find(key);
        if (found == m_maps.end())
            return;
        AstralMap& map = *found;
        const QByteArray type(event.type ? event.type : "");
        const qint64 at = event.detail1, length = event.detail2;
        // "object:text-changed:insert", some toolkits adding ":system".
        const bool inserted = type.contains(":insert"), deleted = type.contains(":delete");
        if ((!inserted && !deleted) || at < 0 || length < 0 || at > map.count || (deleted && at + length > map.count)) {
            forget(key);
            return;
        }
        if (deleted) {
            const auto first = std::lower_bound(map.astral.begin(), map.astral.end(), at);
            const auto last = std::lower_bound(first, map.astral.end(), at + length);
            for (auto i = map.astral.erase(first, last); i != map.astral.end(); ++i)
                *i -= length;
            map.count -= length;
            return;
        }
        // The inserted text comes with the event; without it the map is unknown.
        const char* added = G_VALUE_HOLDS_STRING(&event.any_data) ? g_value_get_string(&event.any_data) : nullptr;
        AstralMap insertion;
        insertion.add(added ? added : "", at);
        if (qint64(g_utf8_strlen(added ? added : "", -1)) != length) {
            forget(key);
            return;
        }
        const auto position = std::lower_bound(map.astral.begin(), map.astral.end(), at);
        for (auto i = position; i != map.astral.end(); ++i)
            *i += length;
        map.astral.insert(position, insertion.astral.begin(), insertion.astral.end());
        map.count += length;
    }

    void forget(const QString& key) {
        m_maps.remove(key);
        m_order.removeAll(key);
    }

    AtspiEventListener* m_listener = nullptr;
    QHash<QString, AstralMap> m_maps;
    QStringList m_order;
};

// Tells each element that gains the keyboard focus, as the toolkits announce
// it ("object:state-changed:focused"), from the first call of `listen` on.
// GUI thread only (AT-SPI delivers events there).
class AtspiFocusEvents {
public:
    // `gained` is called with the element (a reference the call does not own).
    explicit AtspiFocusEvents(std::function<void(AtspiAccessible* gained)> gained) : m_gained(std::move(gained)) {}
    ~AtspiFocusEvents() {
        if (!m_listener)
            return;
        atspi_event_listener_deregister(m_listener, kEvent, nullptr);
        g_object_unref(m_listener);
    }
    AtspiFocusEvents(const AtspiFocusEvents&) = delete;
    AtspiFocusEvents& operator=(const AtspiFocusEvents&) = delete;

    void listen() {
        if (m_listener)
            return;
        m_listener = atspi_event_listener_new(&AtspiFocusEvents::onEvent, this, nullptr);
        GError* error = nullptr;
        atspi_event_listener_register(m_listener, kEvent, &error);
        failed(error);
    }

private:
    static constexpr const char* kEvent = "object:state-changed:focused";

    static void onEvent(AtspiEvent* event, void* self) {
        // detail1 is 1 when the element gained the state, 0 when it lost it.
        if (event->source && event->detail1 == 1)
            static_cast<AtspiFocusEvents*>(self)->m_gained(event->source);
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    std::function<void(AtspiAccessible*)> m_gained;
    AtspiEventListener* m_listener = nullptr;
};

namespace {

// One lookup of the element under the pointer and the walk over its
// neighbours that follows: after the first call that fails (an application
// that does not answer in time, or an element gone), every further read of the
// lookup's elements gives its empty result at once, so a hung application
// costs one time-out.
struct LookupGate {
    bool ended = false;
};

using AtspiRoles::carriesXmlRoles;
using AtspiRoles::PortableKind;
using AtspiRoles::portableKind;

class AtspiElement : public AccessibleElement {
public:
    AtspiElement(AtspiAccessible* node, bool countsUtf16, std::shared_ptr<AtspiTextOffsets> offsets,
                 std::shared_ptr<LookupGate> gate = nullptr)
        : m_node(node), m_utf16(countsUtf16), m_offsets(std::move(offsets)), m_gate(std::move(gate)) {}
    ~AtspiElement() override { g_object_unref(m_node); }

    std::optional<AccessibleRole> role() const override {
        const std::optional<PortableKind> kind = portable();
        return kind ? std::optional(kind->role) : std::nullopt;
    }

    bool hasText() const override { return bool(textInterface()); }

    std::optional<qint64> textLength() const override {
        GObjectRef<AtspiText> text(textInterface());
        if (!text)
            return std::nullopt;
        if (m_utf16) {
            GError* error = nullptr;
            const gint count = atspi_text_get_character_count(text.get(), &error);
            if (failed(error) || count < 0)
                return std::nullopt;
            return count;
        }
        const std::optional<AstralMap> map = m_offsets->map(m_node, text.get(), true);
        return map ? std::optional<qint64>(map->unitCount()) : std::nullopt;
    }

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
        // Code points: read only the characters that hold the units asked for.
        for (const bool fresh : {false, true}) {
            const std::optional<AstralMap> map = m_offsets->map(m_node, text.get(), fresh);
            if (!map || start > map->unitCount())
                return std::nullopt;
            const qint64 last = std::min(end, map->unitCount());
            const qint64 from = map->codePointAt(start).first;
            const qint64 to = last > start ? map->codePointAt(last - 1).first + 1 : from;
            gchar* slice = atspi_text_get_text(text.get(), clampOffset(from), clampOffset(to), &error);
            if (failed(error))
                return std::nullopt;
            // The slice must agree with the map, else the map is out of date.
            AstralMap read;
            read.add(slice ? slice : "", from);
            const auto first = std::lower_bound(map->astral.begin(), map->astral.end(), from);
            const auto past = std::lower_bound(first, map->astral.end(), to);
            const QString units = takeString(slice);
            if (!std::equal(first, past, read.astral.begin(), read.astral.end()) ||
                units.size() != map->unitsBefore(to) - map->unitsBefore(from))
                continue;
            return units.mid(start - map->unitsBefore(from), last - start);
        }
        return std::nullopt;
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
        if (m_utf16)
            return TextRange{start, end - start};
        const std::optional<AstralMap> map = m_offsets->map(m_node, text.get());
        if (!map)
            return std::nullopt;
        const qint64 from = map->unitsBefore(std::min<qint64>(start, map->count));
        const qint64 to = map->unitsBefore(std::min<qint64>(end, map->count));
        return TextRange{from, to - from};
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

    // Toolkits mark a field that takes typing "editable"; a read-only one
    // keeps its text role without it.
    bool isReadOnly() const override {
        const States states(m_node);
        return states.has(ATSPI_STATE_READ_ONLY) || !states.has(ATSPI_STATE_EDITABLE);
    }

    bool setSelectedRange(TextRange range) override {
        GObjectRef<AtspiText> text(textInterface());
        if (!text || !fitsAnyText(range))
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
        if (!text || !fitsAnyText(range))
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

    std::shared_ptr<AccessibleElement> parent() const override {
        if (ended())
            return nullptr;
        GError* error = nullptr;
        AtspiAccessible* parent = atspi_accessible_get_parent(m_node, &error);
        if (check(error) || !parent)
            return nullptr;
        return std::make_shared<AtspiElement>(parent, m_utf16, m_offsets, m_gate);
    }

    std::vector<std::shared_ptr<AccessibleElement>> children() const override {
        std::vector<std::shared_ptr<AccessibleElement>> found;
        if (ended())
            return found;
        GError* error = nullptr;
        const gint count = atspi_accessible_get_child_count(m_node, &error);
        if (check(error))
            return found;
        for (gint i = 0; i < count && !ended(); ++i) {
            AtspiAccessible* child = atspi_accessible_get_child_at_index(m_node, i, &error);
            if (check(error))
                break;
            if (child)
                found.push_back(std::make_shared<AtspiElement>(child, m_utf16, m_offsets, m_gate));
        }
        return found;
    }

    std::optional<AccessibleSubrole> subrole() const override {
        const std::optional<PortableKind> kind = portable();
        return kind ? kind->subrole : std::nullopt;
    }

    std::optional<QString> name() const override {
        if (ended())
            return std::nullopt;
        GError* error = nullptr;
        gchar* name = atspi_accessible_get_name(m_node, &error);
        if (check(error))
            return std::nullopt;
        QString text = takeString(name);
        return text.isEmpty() ? std::nullopt : std::optional(text);
    }

    std::optional<QString> value() const override {
        if (ended())
            return std::nullopt;
        GObjectRef<AtspiText> text(textInterface());
        if (!text)
            return std::nullopt;
        GError* error = nullptr;
        const gint count = atspi_text_get_character_count(text.get(), &error);
        if (check(error))
            return std::nullopt;
        gchar* whole = atspi_text_get_text(text.get(), 0, count, &error);
        if (check(error))
            return std::nullopt;
        return takeString(whole);
    }

    std::optional<QRect> frame() const override {
        if (ended())
            return std::nullopt;
        GObjectRef<AtspiComponent> component(atspi_accessible_get_component_iface(m_node));
        if (!component)
            return std::nullopt;
        GError* error = nullptr;
        AtspiRect* rect = atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
        if (check(error) || !rect)
            return std::nullopt;
        const QRect frame(rect->x, rect->y, rect->width, rect->height);
        g_free(rect);
        return frame;
    }

    std::optional<QUrl> url() const override {
        if (ended())
            return std::nullopt;
        GObjectRef<AtspiHyperlink> link(atspi_accessible_get_hyperlink(m_node));
        if (!link)
            return std::nullopt;
        GError* error = nullptr;
        const QString uri = takeString(atspi_hyperlink_get_uri(link.get(), 0, &error));
        if (check(error) || uri.isEmpty())
            return std::nullopt;
        return QUrl(uri);
    }

    bool isSameElement(const AccessibleElement& other) const override {
        const auto* element = dynamic_cast<const AtspiElement*>(&other);
        if (!element)
            return false;
        const QString key = keyOf(m_node);
        return element->m_node == m_node || (!key.isEmpty() && key == keyOf(element->m_node));
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

    // The toolkit's offset for a UTF-16 offset (clamped to the text); nothing
    // inside a surrogate pair.
    // Not negative, and its end is a number.
    static bool fitsAnyText(const TextRange& range) {
        return range.location >= 0 && range.length >= 0
               && range.length <= std::numeric_limits<qint64>::max() - range.location;
    }

    std::optional<gint> toToolkit(AtspiText* text, qint64 units) const {
        if (m_utf16)
            return clampOffset(units);
        const std::optional<AstralMap> map = m_offsets->map(m_node, text);
        if (!map)
            return std::nullopt;
        const auto [codePoint, splitsPair] = map->codePointAt(std::min(units, map->unitCount()));
        if (splitsPair)
            return std::nullopt;
        return clampOffset(std::min(codePoint, map->count));
    }

    bool ended() const { return m_gate && m_gate->ended; }

    // Frees the error and, for an element of a lookup, ends the lookup.
    bool check(GError*& error) const {
        if (!failed(error))
            return false;
        if (m_gate)
            m_gate->ended = true;
        return true;
    }

    std::optional<PortableKind> portable() const {
        if (ended())
            return std::nullopt;
        GError* error = nullptr;
        const AtspiRole role = atspi_accessible_get_role(m_node, &error);
        if (check(error))
            return std::nullopt;
        bool multiLine = false;
        if (role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_DOCUMENT_TEXT || role == ATSPI_ROLE_TERMINAL)
            multiLine = States(m_node).has(ATSPI_STATE_MULTI_LINE);
        QString xmlRoles;
        if (carriesXmlRoles(role)) {
            GHashTable* attributes = atspi_accessible_get_attributes(m_node, &error);
            if (check(error))
                return std::nullopt;
            if (attributes) {
                xmlRoles = QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(attributes, "xml-roles")));
                g_hash_table_unref(attributes);
            }
        }
        return portableKind(role, multiLine, xmlRoles);
    }

    AtspiAccessible* m_node;
    bool m_utf16;
    std::shared_ptr<AtspiTextOffsets> m_offsets;
    std::shared_ptr<LookupGate> m_gate;
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
    if (!ensureInitialised())
        return;
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

namespace {

// The application entry on the desktop of the application `node` belongs to
// (a new reference), found by its bus name without asking the application.
AtspiAccessible* applicationEntryOf(AtspiAccessible* node) {
    const AtspiObject* object = ATSPI_OBJECT(node);
    if (!object->app || !object->app->bus_name)
        return nullptr;
    GObjectRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (failed(error))
        return nullptr;
    for (gint i = 0; i < count; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop.get(), i, &error);
        if (failed(error) || !app)
            continue;
        const AtspiObject* entry = ATSPI_OBJECT(app);
        if (entry->app && entry->app->bus_name && g_strcmp0(entry->app->bus_name, object->app->bus_name) == 0)
            return app;
        g_object_unref(app);
    }
    return nullptr;
}

} // namespace

// The element found or heard focused last: asked again, it is still the answer
// while it says it has the focus and its application is in front, which costs
// one question instead of a walk over the application's windows. Of an element
// heard of, the process and the toolkit are learnt at the first question.
struct AtspiAccessibility::LastFocused {
    LastFocused(AtspiAccessible* focused, qint64 pid, bool utf16)
        : node(static_cast<AtspiAccessible*>(g_object_ref(focused))), pid(pid), utf16(utf16) {}
    explicit LastFocused(AtspiAccessible* heard) : node(static_cast<AtspiAccessible*>(g_object_ref(heard))) {}
    ~LastFocused() { g_object_unref(node); }
    LastFocused(const LastFocused&) = delete;
    LastFocused& operator=(const LastFocused&) = delete;

    // Whether the element belongs to process `front`, asking the bus only.
    bool inProcess(qint64 front) {
        if (!pid) {
            GError* error = nullptr;
            const qint64 process = atspi_accessible_get_process_id(node, &error);
            pid = failed(error) || process <= 0 ? -1 : process;
        }
        return pid == front;
    }

    // The same, with the toolkit learnt. It is asked only of that process:
    // never of this program, which cannot answer while it waits.
    bool belongsTo(qint64 front) {
        if (!inProcess(front))
            return false;
        if (!utf16) {
            GObjectRef<AtspiAccessible> app(applicationEntryOf(node));
            if (!app)
                return false;
            utf16 = countsUtf16(app.get());
        }
        return true;
    }

    AtspiAccessible* node;
    // 0 until learnt, -1 when it cannot be.
    qint64 pid = 0;
    std::optional<bool> utf16;
};

AtspiAccessibility::AtspiAccessibility(Workspace* workspace, const QDBusConnection& bus)
    : m_workspace(workspace), m_bus(bus), m_offsets(std::make_shared<AtspiTextOffsets>()),
      m_focusEvents(std::make_unique<AtspiFocusEvents>(
          [this](AtspiAccessible* gained) { m_heard = std::make_unique<LastFocused>(gained); })) {
    m_bus.connect(kStatusService, kStatusPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    refreshTrust();
    connectAccessibilityBus();
}

AtspiAccessibility::~AtspiAccessibility() { QDBusConnection::disconnectFromBus(kOwnBusConnection); }

bool AtspiAccessibility::isTrusted() {
    refreshTrust();
    return m_enabled;
}

void AtspiAccessibility::requestTrust(std::function<void(bool on)> answered) {
    if (!m_bus.isConnected()) {
        if (answered)
            answered(false);
        return;
    }
    ++m_localChanges;
    const QDBusMessage set =
        statusCall(QStringLiteral("Set"), {kStatusInterface, kEnabled, QVariant::fromValue(QDBusVariant(true))});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(set, int(kStatusTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                // A session may accept the call and keep the flag off: only the
                // value read back tells.
                ++m_localChanges;
                m_refreshing = false;
                refreshTrust(answered);
            });
}

void AtspiAccessibility::refreshTrust(std::function<void(bool on)> answered) {
    // The answer is taken by this object's thread; other threads read the cache.
    if (!m_bus.isConnected() || QThread::currentThread() != thread()) {
        if (answered)
            answered(m_enabled);
        return;
    }
    if (m_refreshing && !answered)
        return;
    m_refreshing = true;
    const quint64 changes = m_localChanges;
    const QDBusMessage get = statusCall(QStringLiteral("Get"), {kStatusInterface, kEnabled});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, int(kStatusTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, changes, answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusMessage reply = call->reply();
                const bool on = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                                reply.arguments().first().value<QDBusVariant>().variant().toBool();
                // An answer to a question asked before a change of ours is not
                // the new state (that change refreshes again), but it is still
                // what the bus said when asked.
                if (changes == m_localChanges) {
                    m_refreshing = false;
                    m_enabled = on;
                }
                if (answered)
                    answered(on);
            });
}

void AtspiAccessibility::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                             const QStringList& invalidated) {
    if (interface != kStatusInterface)
        return;
    if (changed.contains(kEnabled))
        m_enabled = changed.value(kEnabled).toBool();
    else if (invalidated.contains(kEnabled))
        refreshTrust();
}

// Asked for without waiting: until the bus answers, reads are made the ordinary way.
void AtspiAccessibility::connectAccessibilityBus() {
    if (!m_bus.isConnected())
        return;
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        kStatusService, QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, int(kStatusTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const QString address = reply.arguments().first().toString();
        if (address.isEmpty())
            return;
        // Connecting waits for the bus's greeting: not on this thread.
        QtConcurrent::run([address] { return QDBusConnection::connectToBus(address, kOwnBusConnection); })
            .then(this, [this](const QDBusConnection& bus) {
                if (bus.isConnected())
                    m_accessibilityBus = bus;
            });
    });
}

// Kept apart until now: a call into the library may deliver events while
// it waits, and the element in use must not be let go meanwhile.
void AtspiAccessibility::takeHeardFocus() {
    if (m_heard)
        m_lastFocused = std::move(m_heard);
}

std::unique_ptr<PendingCaretSlice> AtspiAccessibility::readCaretAhead(qint64 before, qint64 after) {
    takeHeardFocus();
    if (!m_accessibilityBus || !m_lastFocused || !m_workspace)
        return nullptr;
    const std::optional<Workspace::Application> front = m_workspace->frontmostApplication();
    if (!front || front->pid == QCoreApplication::applicationPid() || !m_lastFocused->belongsTo(front->pid) ||
        !*m_lastFocused->utf16)
        return nullptr;
    const AtspiObject* object = ATSPI_OBJECT(m_lastFocused->node);
    if (!object->app || !object->app->bus_name || !object->path)
        return nullptr;
    return std::make_unique<AtspiCaretRead>(*m_accessibilityBus, QString::fromUtf8(object->app->bus_name),
                                            QString::fromUtf8(object->path), m_lastFocused->pid, m_workspace, before,
                                            after);
}

void AtspiAccessibility::readSelectionRect(std::function<void(std::optional<QRect> rect)> answered) {
    takeHeardFocus();
    const std::optional<Workspace::Application> front =
        m_workspace ? m_workspace->frontmostApplication() : std::nullopt;
    const AtspiObject* object = m_lastFocused ? ATSPI_OBJECT(m_lastFocused->node) : nullptr;
    if (!m_accessibilityBus || !object || !object->app || !object->app->bus_name || !object->path || !front ||
        front->pid == QCoreApplication::applicationPid() || !m_lastFocused->inProcess(front->pid)) {
        answered(std::nullopt);
        return;
    }
    new AtspiSelectionRectRead(*m_accessibilityBus, QString::fromUtf8(object->app->bus_name),
                               QString::fromUtf8(object->path), std::move(answered), this);
}

std::shared_ptr<AccessibleElement> AtspiAccessibility::focusedElement() {
    std::optional<Workspace::Application> front;
    if (m_workspace)
        front = m_workspace->frontmostApplication();
    if (front && front->pid == QCoreApplication::applicationPid())
        return nullptr;
    if (!ensureInitialised())
        return nullptr;
    // From now on the toolkits' focus events keep the answer current, and the
    // walk below is left for an application not heard from.
    m_focusEvents->listen();
    takeHeardFocus();
    if (m_lastFocused && front && m_lastFocused->belongsTo(front->pid) &&
        States(m_lastFocused->node).has(ATSPI_STATE_FOCUSED)) {
        auto* node = static_cast<AtspiAccessible*>(g_object_ref(m_lastFocused->node));
        return std::make_shared<AtspiElement>(node, *m_lastFocused->utf16, m_offsets);
    }
    m_lastFocused.reset();
    std::shared_ptr<AccessibleElement> found;
    int budget = kSearchBudget;
    forEachApplication(front ? front->pid : 0, [&](AtspiAccessible* app) {
        const bool utf16 = countsUtf16(app);
        forEachWindow(app, [&](AtspiAccessible* window) {
            if (AtspiAccessible* focused = findFocused(window, budget)) {
                found = std::make_shared<AtspiElement>(focused, utf16, m_offsets);
                if (front)
                    m_lastFocused = std::make_unique<LastFocused>(focused, front->pid, utf16);
            }
            return found || budget < 0;
        });
        return found || budget < 0;
    });
    // Each element visited took one step of the budget.
    m_elementsWalked += quint64(kSearchBudget - std::max(budget, 0));
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

namespace {

// How many levels a descent to the deepest element at a point goes at most.
constexpr int kDescentLimit = 64;
// How long an application has to answer the first question of a lookup.
constexpr std::chrono::milliseconds kAnswerTimeout{800};

// Whether the application answers a ping on the accessibility bus in time.
// Asked before anything else: the library may spend several of its time-outs
// on one call to an application that has stopped answering, while this costs
// exactly one.
bool answersInTime(AtspiAccessible* app) {
    const AtspiObject* object = ATSPI_OBJECT(app);
    DBusConnection* bus = atspi_get_a11y_bus();
    if (!bus || !object->app || !object->app->bus_name)
        return false;
    DBusMessage* ping = dbus_message_new_method_call(object->app->bus_name, object->path ? object->path : "/",
                                                     "org.freedesktop.DBus.Peer", "Ping");
    if (!ping)
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, ping, int(kAnswerTimeout.count()), &error);
    dbus_message_unref(ping);
    const bool answered = reply && !dbus_error_is_set(&error);
    if (reply)
        dbus_message_unref(reply);
    dbus_error_free(&error);
    return answered;
}

// The deepest element of `window` at `point`, none when the window does not
// hold the point or a call fails (which ends the lookup).
AtspiAccessible* deepestAt(AtspiAccessible* window, QPoint point, LookupGate& gate) {
    GError* error = nullptr;
    auto* node = static_cast<AtspiAccessible*>(g_object_ref(window));
    for (int level = 0; level < kDescentLimit; ++level) {
        GObjectRef<AtspiComponent> current(atspi_accessible_get_component_iface(node));
        if (!current)
            break;
        AtspiAccessible* child =
            atspi_component_get_accessible_at_point(current.get(), point.x(), point.y(), ATSPI_COORD_TYPE_SCREEN, &error);
        if (failed(error)) {
            gate.ended = true;
            g_object_unref(node);
            return nullptr;
        }
        if (!child || child == node) {
            if (child)
                g_object_unref(child);
            if (level == 0) {
                // Nothing of this window is there.
                g_object_unref(node);
                return nullptr;
            }
            break;
        }
        g_object_unref(node);
        node = child;
    }
    return node;
}

} // namespace

namespace {

// The application last found for a process, kept as the pointer tends to
// stay over one application.
struct KnownApplication {
    qint64 pid = 0;
    AtspiAccessible* app = nullptr;

    void keep(qint64 newPid, AtspiAccessible* newApp) {
        forget();
        pid = newPid;
        app = static_cast<AtspiAccessible*>(g_object_ref(newApp));
    }
    void forget() {
        if (app)
            g_object_unref(app);
        app = nullptr;
        pid = 0;
    }
};

KnownApplication& knownApplication() {
    static KnownApplication known;
    return known;
}

// The application of process `pid` on the accessibility bus (a new
// reference), none when it has not registered.
AtspiAccessible* applicationOf(qint64 pid) {
    KnownApplication& known = knownApplication();
    if (known.app && known.pid == pid)
        return static_cast<AtspiAccessible*>(g_object_ref(known.app));
    GObjectRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (failed(error))
        return nullptr;
    for (gint i = 0; i < count; ++i) {
        GObjectRef<AtspiAccessible> app(atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (failed(error) || !app)
            continue;
        // The process comes from the bus, not from the application.
        const qint64 appPid = atspi_accessible_get_process_id(app.get(), &error);
        if (failed(error) || appPid != pid)
            continue;
        known.keep(pid, app.get());
        return static_cast<AtspiAccessible*>(g_object_ref(app.get()));
    }
    return nullptr;
}

} // namespace

std::shared_ptr<AccessibleElement> AtspiAccessibility::elementAt(QPoint point) {
    const std::optional<X11TopLevels::Hit> hit = X11TopLevels::windowAt(point);
    if (!hit || !hit->pid || *hit->pid == QCoreApplication::applicationPid())
        return nullptr;
    if (!ensureInitialised())
        return nullptr;
    GObjectRef<AtspiAccessible> app(applicationOf(*hit->pid));
    if (!app)
        return nullptr;
    // No clearing of the library's cache here, unlike the focus search: roles,
    // names and the tree above an element follow the application's change
    // events, and what is read for hover reading (texts, frames, the element
    // at the point) is asked afresh each time.
    if (!answersInTime(app.get())) {
        // Gone, hung or registered anew: looked up afresh next time.
        knownApplication().forget();
        return nullptr;
    }
    GError* error = nullptr;
    const QString toolkit = takeString(atspi_accessible_get_toolkit_name(app.get(), &error));
    if (failed(error))
        return nullptr;
    const bool utf16 = toolkit.startsWith(QLatin1String("Qt"), Qt::CaseInsensitive);
    const gint windows = atspi_accessible_get_child_count(app.get(), &error);
    if (failed(error))
        return nullptr;
    auto gate = std::make_shared<LookupGate>();
    for (gint w = 0; w < windows && !gate->ended; ++w) {
        GObjectRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app.get(), w, &error));
        if (failed(error))
            return nullptr;
        if (!window)
            continue;
        if (AtspiAccessible* found = deepestAt(window.get(), point, *gate))
            return std::make_shared<AtspiElement>(found, utf16, m_offsets, gate);
    }
    return nullptr;
}
