// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiCaretRead.h"

#include "platform/Workspace.h"
#include "platform/linux/AtspiReplies.h"

#include <QDBusMessage>

#include <algorithm>

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kText = QStringLiteral("org.a11y.atspi.Text");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// As long as the accessibility library waits for one answer.
constexpr int kAnswerTimeout = 800;

} // namespace

AtspiCaretRead::AtspiCaretRead(const QDBusConnection& bus, const QString& service, const QString& path, qint64 pid,
                               Workspace* workspace, qint64 before, qint64 after)
    : m_bus(bus), m_service(service), m_path(path), m_pid(pid), m_workspace(workspace), m_before(before),
      m_after(after), m_state(ask(kAccessible, QStringLiteral("GetState"))),
      m_selections(ask(kText, QStringLiteral("GetNSelections"))),
      m_firstSelection(ask(kText, QStringLiteral("GetSelection"), {0})),
      m_caret(property(QStringLiteral("CaretOffset"))), m_length(property(QStringLiteral("CharacterCount"))) {}

QDBusPendingCall AtspiCaretRead::ask(const QString& interface, const QString& method,
                                     const QVariantList& arguments) const {
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, interface, method);
    call.setArguments(arguments);
    return m_bus.asyncCall(call, kAnswerTimeout);
}

QDBusPendingCall AtspiCaretRead::property(const QString& name) const {
    return ask(kProperties, QStringLiteral("Get"), {kText, name});
}

std::optional<CaretSlice> AtspiCaretRead::take() {
    const std::optional<Workspace::Application> front =
        m_workspace ? m_workspace->frontmostApplication() : std::nullopt;
    if (!front || front->pid != m_pid || !AtspiReplies::hasState(m_state, ATSPI_STATE_FOCUSED))
        return std::nullopt;
    const std::optional<qint64> selections = AtspiReplies::number(m_selections);
    const std::optional<qint64> length = AtspiReplies::number(m_length);
    if (!selections || !length)
        return std::nullopt;

    CaretSlice slice;
    if (*selections > 0) {
        const std::optional<QList<qint64>> range = AtspiReplies::numbers(m_firstSelection, 2);
        if (!range)
            return std::nullopt;
        const qint64 start = range->at(0), end = range->at(1);
        slice.selection = {std::min(start, end), std::abs(end - start)};
    } else {
        const std::optional<qint64> caret = AtspiReplies::number(m_caret);
        if (!caret)
            return std::nullopt;
        slice.selection = {*caret, 0};
    }
    const qint64 at = slice.selection.location;
    if (at < 0 || at > *length)
        return std::nullopt;

    slice.start = std::max<qint64>(0, at - m_before);
    const qint64 end = std::min(*length, at + m_after);
    QDBusPendingCall text = ask(kText, QStringLiteral("GetText"), {int(slice.start), int(end)});
    const std::optional<QVariant> read = AtspiReplies::value(text);
    if (!read || read->typeId() != QMetaType::QString)
        return std::nullopt;
    slice.text = read->toString();
    return slice;
}
