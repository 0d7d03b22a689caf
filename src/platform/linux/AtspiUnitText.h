#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/Accessibility.h"
#include "platform/linux/GObjectRef.h"

#include <QRect>
#include <QString>

#include <optional>
#include <utility>

class AtspiTextOffsets;

// An element's text interface with its offsets in UTF-16 units, whatever the
// toolkit counts: a toolkit that counts code points (all but Qt) has its
// offsets turned through the text's astral map. Made for one question and
// let go after it. GUI thread only.
class AtspiUnitText {
public:
    using TextRange = AccessibleElement::TextRange;

    // The text of `node` (not owned; outlives this object); none when it has
    // no text interface.
    AtspiUnitText(AtspiAccessible* node, bool countsUtf16, AtspiTextOffsets& offsets);

    explicit operator bool() const { return bool(m_text); }

    // Nothing when the text cannot be read.
    std::optional<qint64> length() const;
    // The units from `start` to `end`, the end clamped to the text; nothing
    // for a start past the end or a read that fails.
    std::optional<QString> slice(qint64 start, qint64 end) const;
    // The first selection, or the caret as an empty range.
    std::optional<TextRange> selectedRange() const;

    // Moves the caret (an empty range) or selects the range; false when it is
    // not a range of the text or the toolkit refuses.
    bool setSelectedRange(TextRange range) const;
    // The range's rectangle on screen; for an empty range, the caret's.
    std::optional<QRect> boundsForRange(TextRange range) const;

private:
    // The toolkit's offset for a UTF-16 offset (clamped to the text); nothing
    // inside a surrogate pair.
    std::optional<gint> toolkitOffset(qint64 units) const;
    // The toolkit's offsets of the range's ends; nothing for a range that fits
    // no text (negative, or past the largest offset) or an end that has none.
    std::optional<std::pair<gint, gint>> toToolkit(TextRange range) const;

    AtspiAccessible* m_node;
    bool m_utf16;
    AtspiTextOffsets& m_offsets;
    GObjectRef<AtspiText> m_text;
};
