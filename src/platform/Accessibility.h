#pragma once

#include "platform/AccessibleRole.h"
#include "platform/AccessibleSubrole.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One element of another application's user interface, as the accessibility
// layer exposes it. Offsets and lengths count UTF-16 units of the element's
// text whatever the toolkit counts in. Every read gives its empty result when
// the element cannot answer.
class AccessibleElement {
public:
    struct TextRange {
        qint64 location = 0;
        qint64 length = 0;
        bool operator==(const TextRange&) const = default;
    };

    virtual ~AccessibleElement() = default;

    // The role in the portable names; nothing when it cannot be read.
    virtual std::optional<AccessibleRole> role() const = 0;
    // Whether the element has text at all (a value that is a string).
    virtual bool hasText() const = 0;
    // The text between `start` and `end`, cut short where the text ends;
    // nothing when `start` lies beyond the end or the text cannot be read.
    virtual std::optional<QString> text(qint64 start, qint64 end) const = 0;
    // The length of the text; nothing when it cannot be read.
    virtual std::optional<qint64> textLength() const = 0;
    // The selection, or the caret as an empty range.
    virtual std::optional<TextRange> selectedRange() const = 0;
    virtual std::optional<QString> selectedText() const = 0;
    virtual bool isSelectedRangeSettable() const = 0;
    virtual bool isValueSettable() const = 0;
    // Whether the element says its text is there to read only, whatever its
    // role; an element that cannot tell is not read-only.
    virtual bool isReadOnly() const { return false; }
    // Sets the selection (an empty range places the caret); false when refused
    // or when the range does not fit a text at all.
    virtual bool setSelectedRange(TextRange range) = 0;
    // The screen rectangle of a range in global top-left coordinates; for an
    // empty range the caret's rectangle (zero width).
    virtual std::optional<QRect> boundsForRange(TextRange range) const = 0;

    // The tree around the element, for walks over what is on screen (hover
    // reading). An element that cannot tell has no parent and no children.
    virtual std::shared_ptr<AccessibleElement> parent() const { return nullptr; }
    virtual std::vector<std::shared_ptr<AccessibleElement>> children() const { return {}; }
    // The finer kind within the role; nothing when it has none or cannot tell.
    virtual std::optional<AccessibleSubrole> subrole() const { return std::nullopt; }
    // The element's title (its accessible name); nothing when it has none.
    virtual std::optional<QString> name() const { return std::nullopt; }
    // The element's value as a text (the whole text of a text element);
    // nothing when its value is not a text.
    virtual std::optional<QString> value() const { return std::nullopt; }
    // The element's screen rectangle in global top-left coordinates.
    virtual std::optional<QRect> frame() const { return std::nullopt; }
    // The address a link leads to; nothing for an element that is no link.
    virtual std::optional<QUrl> url() const { return std::nullopt; }
    // Whether `other` stands for the same element of the same application
    // (two lookups may hand out different objects for one element).
    virtual bool isSameElement(const AccessibleElement& other) const { return this == &other; }
};

// The focused text's selection and a slice of its text around the selection's
// start, read together.
struct CaretSlice {
    AccessibleElement::TextRange selection;
    // Where `text` starts; it ends where the read asked, or at the text's end.
    qint64 start = 0;
    QString text;
};

// A read of the focused text's caret begun ahead of its use, so that the
// application answers while the caller does other work.
class PendingCaretSlice {
public:
    virtual ~PendingCaretSlice() = default;
    // Waits for the answers; nothing when the read could not be made this way
    // (the caller then reads the ordinary way) or the element lost the focus.
    virtual std::optional<CaretSlice> take() = 0;
};

// The accessibility interface of the desktop: whether this program may use it,
// and the element that has the keyboard focus. Used on the GUI thread.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether other applications' elements can be read and set. Answers at once
    // from what is known (never waits for another process), so it may lag a
    // change made elsewhere by the time the desktop takes to report it.
    virtual bool isTrusted() = 0;
    // Asks for access (on Linux: turns the session's accessibility flag on)
    // without waiting for the answer. `answered` (may be empty) is called on
    // the GUI thread, possibly before this returns, with whether access is on
    // as read back once the desktop has answered: false when it refused or
    // there is nobody to ask. isTrusted() changes only with that answer.
    virtual void requestTrust(std::function<void(bool on)> answered) = 0;
    // Connects to the desktop's accessibility and starts hearing focus
    // changes ahead of the first question, which then answers sooner.
    virtual void prepare() {}
    // The focused element of the frontmost application, none when unknown.
    virtual std::shared_ptr<AccessibleElement> focusedElement() = 0;
    // The frame of the focused window of the application with process `pid`.
    virtual std::optional<QRect> focusedWindowFrame(qint64 pid) = 0;
    // The deepest element at `point` (global top-left coordinates) of the
    // application whose window is there; none over the program's own windows,
    // where nothing is there, or when the application does not answer in time
    // (the lookup gives up at its first time-out).
    virtual std::shared_ptr<AccessibleElement> elementAt(QPoint point) {
        (void)point;
        return nullptr;
    }
    // Starts reading the focused element's selection and its text from
    // `before` units ahead of the selection's start to `after` units past it;
    // none where reads cannot be begun ahead.
    virtual std::unique_ptr<PendingCaretSlice> readCaretAhead(qint64 before, qint64 after) {
        (void)before;
        (void)after;
        return nullptr;
    }
    // Reads the screen rectangle of the focused element's selection (for an
    // empty one the caret's, zero wide) without waiting for the application:
    // `answered` is called once on the GUI thread, possibly before this
    // returns, with the rectangle, or nothing when there is none or it cannot
    // be read that way.
    virtual void readSelectionRect(std::function<void(std::optional<QRect> rect)> answered) { answered(std::nullopt); }
};
