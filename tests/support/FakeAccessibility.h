#pragma once

#include "platform/Accessibility.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <utility>

// An element with a text, a selection and a role that tests set directly. It
// answers in UTF-16 units, counts text reads, and can be told to refuse or
// distort a selection change.
class FakeElement : public AccessibleElement {
public:
    std::optional<AccessibleRole> role() const override { return elementRole; }
    bool hasText() const override { return value.has_value(); }
    std::optional<QString> text(qint64 start, qint64 end) const override {
        ++textReads;
        if (!value || start < 0 || start > value->size() || end < start)
            return std::nullopt;
        lastTextRead = {start, std::min<qint64>(end, value->size()) - start};
        return value->mid(start, end - start);
    }
    std::optional<qint64> textLength() const override {
        return value ? std::optional<qint64>(value->size()) : std::nullopt;
    }
    std::optional<TextRange> selectedRange() const override { return selection; }
    std::optional<QString> selectedText() const override {
        if (!value || !selection)
            return std::nullopt;
        return value->mid(selection->location, selection->length);
    }
    bool isSelectedRangeSettable() const override { return rangeSettable; }
    bool isValueSettable() const override { return valueSettable; }
    bool setSelectedRange(TextRange range) override {
        if (refuseSelection)
            return false;
        selection = moveSelectionTo ? *moveSelectionTo : range;
        return true;
    }
    std::optional<QRect> boundsForRange(TextRange range) const override {
        return selection && range == *selection ? selectionBounds : std::nullopt;
    }

    std::optional<AccessibleRole> elementRole = AccessibleRole::TextField;
    std::optional<QString> value;
    std::optional<TextRange> selection;
    std::optional<QRect> selectionBounds;
    bool rangeSettable = true;
    bool valueSettable = true;
    bool refuseSelection = false;
    // Where the application puts the selection whatever was asked for.
    std::optional<TextRange> moveSelectionTo;
    mutable int textReads = 0;
    mutable TextRange lastTextRead;
};

// The accessibility interface with a settable focused element and trust.
class FakeAccessibility : public Accessibility {
public:
    bool isTrusted() override { return trusted; }
    // Grants, as switching the desktop's accessibility on does, unless the
    // session `refuses`; answers at once, or at `answerHeldRequests` while
    // `holdsAnswers`, as a bus answers later.
    void requestTrust(std::function<void(bool on)> answered) override {
        ++trustRequests;
        if (holdsAnswers) {
            heldAnswers << std::move(answered);
            return;
        }
        if (!refuses)
            trusted = true;
        if (answered)
            answered(trusted);
    }
    void answerHeldRequests() {
        if (!refuses)
            trusted = true;
        for (const auto& answered : std::exchange(heldAnswers, {}))
            if (answered)
                answered(trusted);
    }
    std::shared_ptr<AccessibleElement> focusedElement() override {
        ++focusQuestions;
        return focused;
    }
    // Answers from the event loop, as a bus does, with the focused element's
    // selection bounds as they are then.
    void readSelectionRect(std::function<void(std::optional<QRect> rect)> answered) override {
        QTimer::singleShot(0, &m_answers, [this, answered = std::move(answered)] {
            answered(focused && focused->selection ? focused->boundsForRange(*focused->selection) : std::nullopt);
        });
    }
    std::optional<QRect> focusedWindowFrame(qint64 pid) override { return windowFrames.value(pid); }

    bool trusted = true;
    bool refuses = false;
    bool holdsAnswers = false;
    QList<std::function<void(bool on)>> heldAnswers;
    int trustRequests = 0;
    // Each question about the focused element, which waits for the application.
    int focusQuestions = 0;
    std::shared_ptr<FakeElement> focused;
    QHash<qint64, std::optional<QRect>> windowFrames;

private:
    // Answers due go with the fake.
    QObject m_answers;
};
