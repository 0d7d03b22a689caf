// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiSelectionRectRead.h"

#include "platform/linux/AtspiReplies.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <algorithm>
#include <utility>

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kText = QStringLiteral("org.a11y.atspi.Text");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// As long as the accessibility library waits for one answer.
constexpr int kAnswerTimeout = 800;
// Rectangles in screen coordinates.
constexpr uint kScreenCoordinates = ATSPI_COORD_TYPE_SCREEN;

} // namespace

AtspiSelectionRectRead::AtspiSelectionRectRead(const QDBusConnection& bus, const QString& service,
                                               const QString& path, Answered answered, QObject* parent)
    : QObject(parent), m_bus(bus), m_service(service), m_path(path), m_answered(std::move(answered)),
      m_state(ask(kAccessible, QStringLiteral("GetState"))),
      m_selections(ask(kText, QStringLiteral("GetNSelections"))),
      m_firstSelection(ask(kText, QStringLiteral("GetSelection"), {0})),
      m_caret(ask(kProperties, QStringLiteral("Get"), {kText, QStringLiteral("CaretOffset")})),
      m_length(ask(kProperties, QStringLiteral("Get"), {kText, QStringLiteral("CharacterCount")})) {
    whenAnswered({m_state, m_selections, m_firstSelection, m_caret, m_length}, [this] { measure(); });
}

QDBusPendingCall AtspiSelectionRectRead::ask(const QString& interface, const QString& method,
                                             const QVariantList& arguments) const {
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, interface, method);
    call.setArguments(arguments);
    return m_bus.asyncCall(call, kAnswerTimeout);
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
    const std::optional<qint64> selections = AtspiReplies::number(m_selections);
    const std::optional<qint64> length = AtspiReplies::number(m_length);
    if (!AtspiReplies::hasState(m_state, ATSPI_STATE_FOCUSED) || !selections || !length)
        return finish(std::nullopt);
    qint64 start = 0, end = 0;
    if (*selections > 0) {
        const std::optional<QList<qint64>> range = AtspiReplies::numbers(m_firstSelection, 2);
        if (!range)
            return finish(std::nullopt);
        start = std::min(range->at(0), range->at(1));
        end = std::max(range->at(0), range->at(1));
    } else {
        const std::optional<qint64> caret = AtspiReplies::number(m_caret);
        if (!caret || *caret < 0)
            return finish(std::nullopt);
        start = end = *caret;
    }
    // The caret: the left edge of the next character, or the right edge of
    // the last one at the end of the text.
    const bool atEnd = end == start && start >= *length && *length > 0;
    if (end > start)
        m_extents = ask(kText, QStringLiteral("GetRangeExtents"), {int(start), int(end), kScreenCoordinates});
    else
        m_extents = ask(kText, QStringLiteral("GetCharacterExtents"),
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
