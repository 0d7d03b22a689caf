// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiSelectionRectRead.h"

#include "platform/linux/AtspiReplies.h"

#include <QDBusPendingCallWatcher>

#include <algorithm>
#include <utility>

namespace {

// Rectangles in screen coordinates.
constexpr uint kScreenCoordinates = ATSPI_COORD_TYPE_SCREEN;

} // namespace

using AtspiQuestions::kText;

AtspiSelectionRectRead::AtspiSelectionRectRead(const QDBusConnection& bus, const QString& service, const QString& path,
                                               Answered answered, QObject* parent)
    : QObject(parent), m_element{bus, service, path}, m_answered(std::move(answered)), m_asked(m_element) {
    whenAnswered({m_asked.state, m_asked.selections, m_asked.firstSelection, m_asked.caret, m_asked.length},
                 [this] { measure(); });
}

void AtspiSelectionRectRead::whenAnswered(const QList<QDBusPendingCall>& calls, std::function<void()> then) {
    m_waiting = int(calls.size());
    for (const QDBusPendingCall& call : calls) {
        auto* watcher = new QDBusPendingCallWatcher(call, this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, then](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (--m_waiting == 0)
                then();
        });
    }
}

void AtspiSelectionRectRead::measure() {
    const std::optional<qint64> selections = AtspiReplies::number(m_asked.selections);
    const std::optional<qint64> length = AtspiReplies::number(m_asked.length);
    if (!AtspiReplies::hasState(m_asked.state, ATSPI_STATE_FOCUSED) || !selections || !length)
        return finish(std::nullopt);
    qint64 start = 0, end = 0;
    if (*selections > 0) {
        const std::optional<QList<qint64>> range = AtspiReplies::numbers(m_asked.firstSelection, 2);
        if (!range)
            return finish(std::nullopt);
        start = std::min(range->at(0), range->at(1));
        end = std::max(range->at(0), range->at(1));
    } else {
        const std::optional<qint64> caret = AtspiReplies::number(m_asked.caret);
        if (!caret || *caret < 0)
            return finish(std::nullopt);
        start = end = *caret;
    }
    // The caret: the left edge of the next character, or the right edge of
    // the last one at the end of the text.
    const bool atEnd = end == start && start >= *length && *length > 0;
    if (end > start)
        m_extents = m_element.ask(kText, QStringLiteral("GetRangeExtents"), {int(start), int(end), kScreenCoordinates});
    else
        m_extents = m_element.ask(kText, QStringLiteral("GetCharacterExtents"),
                                  {int(atEnd ? *length - 1 : start), kScreenCoordinates});
    whenAnswered({*m_extents}, [this, atEnd] {
        const std::optional<QList<qint64>> box = AtspiReplies::numbers(*m_extents, 4);
        if (!box)
            return finish(std::nullopt);
        const QRect rect(int(box->at(0)), int(box->at(1)), int(box->at(2)), int(box->at(3)));
        finish(atEnd ? QRect(rect.x() + rect.width(), rect.y(), 0, rect.height()) : rect);
    });
}

void AtspiSelectionRectRead::finish(std::optional<QRect> rect) {
    deleteLater();
    std::exchange(m_answered, nullptr)(rect);
}
