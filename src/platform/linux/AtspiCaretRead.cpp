// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiCaretRead.h"

#include "platform/Workspace.h"
#include "platform/linux/AtspiReplies.h"

#include <algorithm>

using AtspiQuestions::kText;

AtspiCaretRead::AtspiCaretRead(const QDBusConnection& bus, const QString& service, const QString& path, qint64 pid,
                               Workspace* workspace, qint64 before, qint64 after)
    : m_element{bus, service, path}, m_pid(pid), m_workspace(workspace), m_before(before), m_after(after),
      m_asked(m_element) {}

std::optional<CaretSlice> AtspiCaretRead::take() {
    const std::optional<Workspace::Application> front =
        m_workspace ? m_workspace->frontmostApplication() : std::nullopt;
    if (!front || front->pid != m_pid || !AtspiReplies::hasState(m_asked.state, ATSPI_STATE_FOCUSED))
        return std::nullopt;
    const std::optional<qint64> selections = AtspiReplies::number(m_asked.selections);
    const std::optional<qint64> length = AtspiReplies::number(m_asked.length);
    if (!selections || !length)
        return std::nullopt;

    CaretSlice slice;
    if (*selections > 0) {
        const std::optional<QList<qint64>> range = AtspiReplies::numbers(m_asked.firstSelection, 2);
        if (!range)
            return std::nullopt;
        const qint64 start = range->at(0), end = range->at(1);
        slice.selection = {std::min(start, end), std::abs(end - start)};
    } else {
        const std::optional<qint64> caret = AtspiReplies::number(m_asked.caret);
        if (!caret)
            return std::nullopt;
        slice.selection = {*caret, 0};
    }
    const qint64 at = slice.selection.location;
    if (at < 0 || at > *length)
        return std::nullopt;

    slice.start = std::max<qint64>(0, at - m_before);
    const qint64 end = std::min(*length, at + m_after);
    QDBusPendingCall text = m_element.ask(kText, QStringLiteral("GetText"), {int(slice.start), int(end)});
    const std::optional<QVariant> read = AtspiReplies::value(text);
    if (!read || read->typeId() != QMetaType::QString)
        return std::nullopt;
    slice.text = read->toString();
    return slice;
}
