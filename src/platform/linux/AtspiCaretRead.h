#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/AtspiQuestions.h"

#include <QDBusConnection>
#include <QString>

class Workspace;

// A read of a text element's caret, begun with every question that does not
// depend on another's answer in flight at once on the accessibility bus: its
// state, its selections, its caret and its length. Taking it asks for the text
// slice only. For toolkits that count offsets in UTF-16 units (Qt).
class AtspiCaretRead : public PendingCaretSlice {
public:
    // The element at `path` of the application `service` (process `pid`),
    // which is the answer only while that application is in front.
    AtspiCaretRead(const QDBusConnection& bus, const QString& service, const QString& path, qint64 pid,
                   Workspace* workspace, qint64 before, qint64 after);

    std::optional<CaretSlice> take() override;

private:
    AtspiQuestions::Element m_element;
    qint64 m_pid;
    Workspace* m_workspace;
    qint64 m_before;
    qint64 m_after;
    AtspiQuestions::Caret m_asked;
};
