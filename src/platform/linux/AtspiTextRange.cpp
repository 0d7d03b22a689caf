// A range given in UTF-16 units acted on in the toolkit's offsets: selected,
// or measured on screen.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiUnitText.h"

#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiTextOffsets.h"

#include <algorithm>
#include <limits>

using AtspiCalls::clampOffset;
using AtspiCalls::failed;

namespace {

// Not negative, and its end is a number.
bool fitsAnyText(const AtspiUnitText::TextRange& range) {
    return range.location >= 0 && range.length >= 0
           && range.length <= std::numeric_limits<qint64>::max() - range.location;
}

std::optional<QRect> takeRect(AtspiRect* rect, GError*& error, bool rightEdge) {
    if (failed(error) || !rect)
        return std::nullopt;
    const QRect result = rightEdge ? QRect(rect->x + rect->width, rect->y, 0, rect->height)
                                   : QRect(rect->x, rect->y, rect->width, rect->height);
    g_free(rect);
    return result;
}

} // namespace

std::optional<gint> AtspiUnitText::toolkitOffset(qint64 units) const {
    if (m_utf16)
        return clampOffset(units);
    const std::optional<AstralMap> map = m_offsets.map(m_node, m_text.get());
    if (!map)
        return std::nullopt;
    const auto [codePoint, splitsPair] = map->codePointAt(std::min(units, map->unitCount()));
    if (splitsPair)
        return std::nullopt;
    return clampOffset(std::min(codePoint, map->count));
}

std::optional<std::pair<gint, gint>> AtspiUnitText::toToolkit(TextRange range) const {
    if (!m_text || !fitsAnyText(range))
        return std::nullopt;
    const std::optional<gint> start = toolkitOffset(range.location);
    const std::optional<gint> end = toolkitOffset(range.location + range.length);
    if (!start || !end)
        return std::nullopt;
    return std::pair(*start, *end);
}

bool AtspiUnitText::setSelectedRange(TextRange range) const {
    const std::optional<std::pair<gint, gint>> ends = toToolkit(range);
    if (!ends)
        return false;
    const auto [start, end] = *ends;
    AtspiText* text = m_text.get();
    GError* error = nullptr;
    gboolean done = false;
    if (range.length == 0) {
        done = atspi_text_set_caret_offset(text, start, &error);
    } else {
        const gint selections = atspi_text_get_n_selections(text, &error);
        if (failed(error))
            return false;
        done = selections > 0 ? atspi_text_set_selection(text, 0, start, end, &error)
                              : atspi_text_add_selection(text, start, end, &error);
    }
    return !failed(error) && done;
}

std::optional<QRect> AtspiUnitText::boundsForRange(TextRange range) const {
    const std::optional<std::pair<gint, gint>> ends = toToolkit(range);
    if (!ends)
        return std::nullopt;
    const auto [start, end] = *ends;
    AtspiText* text = m_text.get();
    GError* error = nullptr;
    if (end > start) {
        AtspiRect* rect = atspi_text_get_range_extents(text, start, end, ATSPI_COORD_TYPE_SCREEN, &error);
        return takeRect(rect, error, false);
    }
    // The caret: the left edge of the next character, or the right edge of
    // the last one at the end of the text.
    const gint count = atspi_text_get_character_count(text, &error);
    if (failed(error))
        return std::nullopt;
    const bool atEnd = start >= count && count > 0;
    AtspiRect* rect =
        atspi_text_get_character_extents(text, atEnd ? count - 1 : start, ATSPI_COORD_TYPE_SCREEN, &error);
    return takeRect(rect, error, atEnd);
}
