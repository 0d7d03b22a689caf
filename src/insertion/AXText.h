#pragma once

#include "platform/Accessibility.h"

#include <QRect>
#include <QString>

#include <memory>
#include <optional>

// The single reader and setter of other applications' text inside the program:
// the focused element's selection, the text around the caret, whether it takes
// typed text, and the rectangles of the selection and the focused window. Every
// operation starts afresh from the focused element and never fails loudly: a
// failure gives that operation's empty result. Rectangles are in global
// top-left coordinates.
namespace AXText {

// A range of the focused element's text in UTF-16 units.
using Range = AccessibleElement::TextRange;
using Element = std::shared_ptr<AccessibleElement>;

Element focusedElement();
std::optional<Range> selectedRange();
std::optional<QString> string(Range range);
// The non-empty selected text; never read from a password field.
std::optional<QString> selectedText();
// Up to `maxLength` UTF-16 units just before the caret (the selection's start).
std::optional<QString> textBeforeCaret(qint64 maxLength);
bool focusedIsEditable();
std::optional<QRect> selectionScreenRect();
std::optional<QRect> focusedWindowRect();
// True only when reading the selection back gives the requested range.
bool setSelectedRange(qint64 location, qint64 length);
// The element's role; nothing without an element or when it cannot be read.
std::optional<AccessibleRole> roleOf(const Element& element);

} // namespace AXText
