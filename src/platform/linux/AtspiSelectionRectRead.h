#pragma once

#include "platform/linux/AtspiQuestions.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

// A read of the screen rectangle of a text element's selection, or of its
// caret for an empty one, that never waits: every question goes out at once
// on the accessibility bus, the one rectangle that depends on their answers
// follows, and the answer is given from the event loop. An element that no
// longer has the focus answers nothing. The offsets stay the toolkit's own
// from question to question, so it serves toolkits of every count.
class AtspiSelectionRectRead : public QObject {
public:
    using Answered = std::function<void(std::optional<QRect> rect)>;

    // Starts reading the element at `path` of the application `service`.
    // The read answers once and then deletes itself; it goes unanswered only
    // when `parent` goes first.
    AtspiSelectionRectRead(const QDBusConnection& bus, const QString& service, const QString& path, Answered answered,
                           QObject* parent);

private:
    // Calls `then` once every one of `calls` has its answer.
    void whenAnswered(const QList<QDBusPendingCall>& calls, std::function<void()> then);
    // Asks for the rectangle of the selection or caret the answers give.
    void measure();
    void finish(std::optional<QRect> rect);

    AtspiQuestions::Element m_element;
    Answered m_answered;
    int m_waiting = 0;
    AtspiQuestions::Caret m_asked;
    // Asked once the others have answered.
    std::optional<QDBusPendingCall> m_extents;
};
