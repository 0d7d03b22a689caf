#include "insertion/AXText.h"

#include "insertion/PasteService.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <QTextBoundaryFinder>

namespace AXText {

namespace {

// Grapheme clusters rarely reach this many UTF-16 units; a boundary test looks
// this far around an offset instead of reading the whole text.
constexpr qint64 kBoundaryMargin = 64;

bool isEditableRole(std::optional<AccessibleRole> role) {
    return role == AccessibleRole::TextField || role == AccessibleRole::TextArea || role == AccessibleRole::ComboBox;
}

// None while the target of a paste is fetching the text from us: a toolkit
// that waits for clipboard data answers nothing else meanwhile, and a query
// from this thread would hold up our answer to it until its wait gave up.
Accessibility* accessibility() { return PasteService::fetchAwaited() ? nullptr : Platform::current().accessibility; }

bool isBoundary(const QString& text, qint64 offset) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(int(offset));
    return finder.isAtBoundary();
}

} // namespace

Element focusedElement() {
    Accessibility* service = accessibility();
    return service ? service->focusedElement() : nullptr;
}

std::optional<Range> selectedRange() {
    const Element element = focusedElement();
    return element ? element->selectedRange() : std::nullopt;
}

std::optional<QString> string(Range range) {
    if (range.length < 1 || range.location < 0)
        return std::nullopt;
    const Element element = focusedElement();
    if (!element)
        return std::nullopt;
    const std::optional<QString> text = element->text(range.location, range.location + range.length);
    if (!text || text->size() != range.length)
        return std::nullopt;
    return text;
}

std::optional<QString> selectedText() {
    const Element element = focusedElement();
    if (!element || element->role() == AccessibleRole::SecureTextField)
        return std::nullopt;
    std::optional<QString> text = element->selectedText();
    if (!text || text->isEmpty())
        return std::nullopt;
    return text;
}

namespace {

// Up to `maxLength` units before `end`, from a slice of the text that starts
// at `sliceStart` and reaches a margin past both ends where the text allows,
// so that both ends can be tested for character boundaries.
std::optional<QString> cutBefore(const QString& slice, qint64 sliceStart, qint64 end, qint64 maxLength) {
    const qint64 start = end - std::min(end, std::max<qint64>(maxLength, 0));
    if (sliceStart > std::max<qint64>(0, start - kBoundaryMargin) || sliceStart + slice.size() < end)
        return std::nullopt; // the text is shorter than the caret's offset
    const qint64 startInSlice = start - sliceStart;
    const qint64 endInSlice = end - sliceStart;
    if (!isBoundary(slice, startInSlice) || !isBoundary(slice, endInSlice))
        return std::nullopt;
    return slice.mid(startInSlice, endInSlice - startInSlice);
}

qint64 sliceStartFor(qint64 end, qint64 maxLength) {
    return std::max<qint64>(0, end - std::max<qint64>(maxLength, 0) - kBoundaryMargin);
}

std::optional<QString> textBefore(const Element& element, const std::optional<Range>& range, qint64 maxLength) {
    if (!element || !range || range->location < 1 || !element->hasText())
        return std::nullopt;
    const qint64 end = range->location;
    const qint64 sliceStart = sliceStartFor(end, maxLength);
    const std::optional<QString> slice = element->text(sliceStart, end + kBoundaryMargin);
    return slice ? cutBefore(*slice, sliceStart, end, maxLength) : std::nullopt;
}

} // namespace

std::optional<QString> textBeforeCaret(qint64 maxLength) {
    const Element element = focusedElement();
    return element ? textBefore(element, element->selectedRange(), maxLength) : std::nullopt;
}

CaretContext caretContext(qint64 maxLength) {
    CaretContext context;
    if (const Element element = focusedElement()) {
        context.selection = element->selectedRange();
        context.before = textBefore(element, context.selection, maxLength);
    }
    return context;
}

CaretContextRead::CaretContextRead(qint64 maxLength) : m_maxLength(maxLength) {
    if (Accessibility* service = accessibility())
        m_pending = service->readCaretAhead(std::max<qint64>(maxLength, 0) + kBoundaryMargin, kBoundaryMargin);
}

CaretContext CaretContextRead::take() {
    const std::optional<CaretSlice> slice =
        m_pending && accessibility() ? std::exchange(m_pending, nullptr)->take() : std::nullopt;
    if (!slice)
        return caretContext(m_maxLength);
    CaretContext context;
    context.selection = slice->selection;
    const qint64 end = slice->selection.location;
    if (end >= 1)
        context.before = cutBefore(slice->text, slice->start, end, m_maxLength);
    return context;
}

bool focusedIsEditable() {
    const Element element = focusedElement();
    if (!element || !element->isSelectedRangeSettable() || element->isReadOnly())
        return false;
    if (element->isValueSettable())
        return true;
    return isEditableRole(element->role());
}

std::optional<QRect> selectionScreenRect() {
    const Element element = focusedElement();
    if (!element)
        return std::nullopt;
    const std::optional<Range> range = element->selectedRange();
    if (!range)
        return std::nullopt;
    const std::optional<QRect> rect = element->boundsForRange(*range);
    if (!rect || rect->height() <= 0)
        return std::nullopt;
    return rect;
}

void readSelectionScreenRect(std::function<void(std::optional<QRect> rect)> answered) {
    Accessibility* service = accessibility();
    if (!service) {
        answered(std::nullopt);
        return;
    }
    service->readSelectionRect([answered = std::move(answered)](std::optional<QRect> rect) {
        answered(rect && rect->height() > 0 ? rect : std::nullopt);
    });
}

std::optional<QRect> focusedWindowRect() {
    Workspace* workspace = Platform::current().workspace;
    Accessibility* service = accessibility();
    if (!workspace || !service)
        return std::nullopt;
    const std::optional<Workspace::Application> front = workspace->frontmostApplication();
    if (!front || front->pid <= 0)
        return std::nullopt;
    const std::optional<QRect> frame = service->focusedWindowFrame(front->pid);
    if (!frame || frame->width() <= 0 || frame->height() <= 0)
        return std::nullopt;
    return frame;
}

bool setSelectedRange(qint64 location, qint64 length) {
    const Element element = focusedElement();
    if (!element)
        return false;
    const Range wanted{location, length};
    if (!element->setSelectedRange(wanted))
        return false;
    const std::optional<Range> readBack = element->selectedRange();
    return readBack && *readBack == wanted;
}

std::optional<AccessibleRole> roleOf(const Element& element) { return element ? element->role() : std::nullopt; }

} // namespace AXText
