#pragma once

#include "platform/Accessibility.h"

#include <QRect>
#include <QString>

#include <functional>
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
// The selection and up to `maxLength` units before it, read in one visit to
// the focused element: what an insertion adapts its text to.
struct CaretContext {
    std::optional<QString> before;
    std::optional<Range> selection;
};
CaretContext caretContext(qint64 maxLength);
// The same read begun now and taken later: the application answers while the
// caller does other work. Where it cannot be begun ahead, taking it reads then.
class CaretContextRead {
public:
    explicit CaretContextRead(qint64 maxLength);
    CaretContext take();

private:
    qint64 m_maxLength;
    std::unique_ptr<PendingCaretSlice> m_pending;
};
bool focusedIsEditable();
std::optional<QRect> selectionScreenRect();
// The same rectangle read without waiting for the application: `answered` is
// called once on the GUI thread, possibly before this returns, with it or
// nothing (also where the platform cannot read it that way).
void readSelectionScreenRect(std::function<void(std::optional<QRect> rect)> answered);
std::optional<QRect> focusedWindowRect();
// True only when reading the selection back gives the requested range.
bool setSelectedRange(qint64 location, qint64 length);
// The element's role; nothing without an element or when it cannot be read.
std::optional<AccessibleRole> roleOf(const Element& element);

// The paragraph of prose under the pointer, for hover reading: its text and
// its screen frame (global top-left coordinates).
struct HoverTarget {
    QString text;
    QRect frame;
    bool operator==(const HoverTarget&) const = default;
};

// The limits of the search for a readable block; characters are grapheme clusters.
inline constexpr qsizetype kMinimumBlockCharacters = 60;
inline constexpr qsizetype kProseLineCharacters = 40;
inline constexpr qsizetype kTrustedValueCharacters = 40;
inline constexpr qsizetype kTextPieceBudget = 400;
inline constexpr int kParagraphClimb = 3;
inline constexpr int kBlockClimb = 6;
// A usable frame is strictly wider and taller than this.
inline constexpr int kMinimumFrameWidth = 40;
inline constexpr int kMinimumFrameHeight = 14;
// The setting that switches the hover trace on, and its file under Application Support.
inline constexpr const char* kHoverTraceKey = "hoverTrace";
inline constexpr const char* kHoverTraceFile = "Quorvane/hover-read.log";

// The element under the pointer; none when there is none or it cannot be had.
Element elementUnderCursor();
// The readable block under the pointer: the nearest paragraph of prose at or
// above the element there, else its text area or web area, with at least 60
// characters, a line of 40 and a frame over 40 by 14 points. Lists, menus and
// navigation give nothing. The last block's text is kept and reused while the
// pointer stays over it. Each decision goes to the hover trace.
std::optional<HoverTarget> readableTargetUnderCursor();
// The same for the element at `point`.
std::optional<HoverTarget> readableTargetAt(QPoint point);
// Whether a click on `element` belongs to it: links, buttons, other controls,
// text fields, and anything with a URL.
bool isOwnClickTarget(const Element& element);
// Whether `text` has a line of at least 40 characters.
bool looksLikeProse(const QString& text);

} // namespace AXText
