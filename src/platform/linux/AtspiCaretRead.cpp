// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiCaretRead.h"

#include "platform/Workspace.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <algorithm>

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kText = QStringLiteral("org.a11y.atspi.Text");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// As long as the accessibility library waits for one answer.
constexpr int kAnswerTimeout = 800;

// The first value of a finished call's answer; nothing when it failed.
std::optional<QVariant> answer(QDBusPendingCall& call) {
    call.waitForFinished();
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant first = reply.arguments().first();
    if (first.canConvert<QDBusVariant>())
        return first.value<QDBusVariant>().variant();
    return first;
}

std::optional<qint64> number(QDBusPendingCall& call) {
    const std::optional<QVariant> value = answer(call);
    bool ok = false;
    const qint64 result = value ? value->toLongLong(&ok) : 0;
    return ok ? std::optional(result) : std::nullopt;
}

bool isFocused(QDBusPendingCall& call) {
    const std::optional<QVariant> value = answer(call);
    if (!value || !value->canConvert<QDBusArgument>())
        return false;
    const QList<uint> words = qdbus_cast<QList<uint>>(value->value<QDBusArgument>());
    const int bit = ATSPI_STATE_FOCUSED;
    return words.size() > bit / 32 && (words.at(bit / 32) & (1u << (bit % 32))) != 0;
}

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
    if (!front || front->pid != m_pid || !isFocused(m_state))
        return std::nullopt;
    const std::optional<qint64> selections = number(m_selections);
    const std::optional<qint64> length = number(m_length);
    if (!selections || !length)
        return std::nullopt;

    CaretSlice slice;
    if (*selections > 0) {
        m_firstSelection.waitForFinished();
        const QDBusMessage reply = m_firstSelection.reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
            return std::nullopt;
        const qint64 start = reply.arguments().at(0).toLongLong();
        const qint64 end = reply.arguments().at(1).toLongLong();
        slice.selection = {std::min(start, end), std::abs(end - start)};
    } else {
        const std::optional<qint64> caret = number(m_caret);
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
    const std::optional<QVariant> read = answer(text);
    if (!read || read->typeId() != QMetaType::QString)
        return std::nullopt;
    slice.text = read->toString();
    return slice;
}
