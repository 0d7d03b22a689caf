// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiTextOffsets.h"

#include "platform/linux/AtspiCalls.h"

#include <QByteArray>

using AtspiCalls::failed;
using AtspiCalls::keyOf;

namespace {

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

} // namespace

AtspiTextOffsets::AtspiTextOffsets() : m_listener("object:text-changed", &AtspiTextOffsets::onTextChanged, this) {}

std::optional<AstralMap> AtspiTextOffsets::map(AtspiAccessible* node, AtspiText* text, bool fresh) {
    GError* error = nullptr;
    const gint count = atspi_text_get_character_count(text, &error);
    if (failed(error) || count < 0)
        return std::nullopt;
    if (count <= kWholeReadLimit)
        return readAstralMap(text, count);
    m_listener.listen();
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

void AtspiTextOffsets::keep(const QString& key, const AstralMap& map) {
    m_order.removeAll(key);
    m_order.append(key);
    m_maps.insert(key, map);
    while (m_order.size() > kKeptTexts)
        m_maps.remove(m_order.takeFirst());
}

void AtspiTextOffsets::onTextChanged(AtspiEvent* event, void* self) {
    static_cast<AtspiTextOffsets*>(self)->apply(*event);
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void AtspiTextOffsets::apply(const AtspiEvent& event) {
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

void AtspiTextOffsets::forget(const QString& key) {
    m_maps.remove(key);
    m_order.removeAll(key);
}
