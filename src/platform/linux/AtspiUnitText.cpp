// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiUnitText.h"

#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiTextOffsets.h"

#include <algorithm>

using AtspiCalls::clampOffset;
using AtspiCalls::failed;
using AtspiCalls::takeString;

AtspiUnitText::AtspiUnitText(AtspiAccessible* node, bool countsUtf16, AtspiTextOffsets& offsets)
    : m_node(node), m_utf16(countsUtf16), m_offsets(offsets), m_text(atspi_accessible_get_text_iface(node)) {}

std::optional<qint64> AtspiUnitText::length() const {
    if (!m_text)
        return std::nullopt;
    if (m_utf16) {
        GError* error = nullptr;
        const gint count = atspi_text_get_character_count(m_text.get(), &error);
        if (failed(error) || count < 0)
            return std::nullopt;
        return count;
    }
    const std::optional<AstralMap> map = m_offsets.map(m_node, m_text.get(), true);
    return map ? std::optional<qint64>(map->unitCount()) : std::nullopt;
}

std::optional<QString> AtspiUnitText::slice(qint64 start, qint64 end) const {
    if (!m_text || start < 0 || end < start)
        return std::nullopt;
    AtspiText* text = m_text.get();
    GError* error = nullptr;
    if (m_utf16) {
        const gint count = atspi_text_get_character_count(text, &error);
        if (failed(error) || start > count)
            return std::nullopt;
        gchar* slice = atspi_text_get_text(text, clampOffset(start), clampOffset(std::min<qint64>(end, count)), &error);
        if (failed(error))
            return std::nullopt;
        return takeString(slice);
    }
    // Code points: read only the characters that hold the units asked for.
    for (const bool fresh : {false, true}) {
        const std::optional<AstralMap> map = m_offsets.map(m_node, text, fresh);
        if (!map || start > map->unitCount())
            return std::nullopt;
        const qint64 last = std::min(end, map->unitCount());
        const qint64 from = map->codePointAt(start).first;
        const qint64 to = last > start ? map->codePointAt(last - 1).first + 1 : from;
        gchar* slice = atspi_text_get_text(text, clampOffset(from), clampOffset(to), &error);
        if (failed(error))
            return std::nullopt;
        // The slice must agree with the map, else the map is out of date.
        AstralMap read;
        read.add(slice ? slice : "", from);
        const auto first = std::lower_bound(map->astral.begin(), map->astral.end(), from);
        const auto past = std::lower_bound(first, map->astral.end(), to);
        const QString units = takeString(slice);
        if (!std::equal(first, past, read.astral.begin(), read.astral.end())
            || units.size() != map->unitsBefore(to) - map->unitsBefore(from))
            continue;
        return units.mid(start - map->unitsBefore(from), last - start);
    }
    return std::nullopt;
}

std::optional<AtspiUnitText::TextRange> AtspiUnitText::selectedRange() const {
    if (!m_text)
        return std::nullopt;
    AtspiText* text = m_text.get();
    GError* error = nullptr;
    const gint selections = atspi_text_get_n_selections(text, &error);
    if (failed(error))
        return std::nullopt;
    gint start = 0, end = 0;
    if (selections > 0) {
        AtspiRange* range = atspi_text_get_selection(text, 0, &error);
        if (failed(error) || !range)
            return std::nullopt;
        start = std::min(range->start_offset, range->end_offset);
        end = std::max(range->start_offset, range->end_offset);
        g_free(range);
    } else {
        start = end = atspi_text_get_caret_offset(text, &error);
        if (failed(error) || start < 0)
            return std::nullopt;
    }
    if (m_utf16)
        return TextRange{start, end - start};
    const std::optional<AstralMap> map = m_offsets.map(m_node, text);
    if (!map)
        return std::nullopt;
    const qint64 from = map->unitsBefore(std::min<qint64>(start, map->count));
    const qint64 to = map->unitsBefore(std::min<qint64>(end, map->count));
    return TextRange{from, to - from};
}
