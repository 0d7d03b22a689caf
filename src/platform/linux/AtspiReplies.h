#pragma once

// What the answers to questions asked of an application over the
// accessibility bus with Qt's D-Bus say. Each waits for its call first, which
// costs nothing once the call has finished.
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QList>
#include <QRect>
#include <QVariant>

#include <optional>

namespace AtspiReplies {

// The first value of the answer; nothing when the call failed.
inline std::optional<QVariant> value(QDBusPendingCall& call) {
    call.waitForFinished();
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant first = reply.arguments().first();
    if (first.canConvert<QDBusVariant>())
        return first.value<QDBusVariant>().variant();
    return first;
}

inline std::optional<qint64> number(QDBusPendingCall& call) {
    const std::optional<QVariant> answer = value(call);
    bool ok = false;
    const qint64 result = answer ? answer->toLongLong(&ok) : 0;
    return ok ? std::optional(result) : std::nullopt;
}

// Whether the state set answered holds `state` (an AtspiStateType).
inline bool hasState(QDBusPendingCall& call, int state) {
    const std::optional<QVariant> answer = value(call);
    if (!answer || !answer->canConvert<QDBusArgument>())
        return false;
    const QList<uint> words = qdbus_cast<QList<uint>>(answer->value<QDBusArgument>());
    return words.size() > state / 32 && (words.at(state / 32) & (1u << (state % 32))) != 0;
}

// The answer's first `count` values as whole numbers; nothing when the call
// failed or gave fewer.
inline std::optional<QList<qint64>> numbers(QDBusPendingCall& call, qsizetype count) {
    call.waitForFinished();
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < count)
        return std::nullopt;
    QList<qint64> found;
    for (qsizetype i = 0; i < count; ++i) {
        bool ok = false;
        found.append(reply.arguments().at(i).toLongLong(&ok));
        if (!ok)
            return std::nullopt;
    }
    return found;
}

} // namespace AtspiReplies
