#include "platform/linux/SpeechDispatcherAnnouncer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTextToSpeech>

#include <chrono>

namespace {

// How long the bus may take to say whether a screen reader runs; nothing
// waits for it meanwhile.
constexpr std::chrono::milliseconds kFlagTimeout{500};

} // namespace

SpeechDispatcherAnnouncer::SpeechDispatcherAnnouncer(const QDBusConnection& bus, Speak speak)
    : m_bus(bus), m_speak(std::move(speak)) {}

SpeechDispatcherAnnouncer::~SpeechDispatcherAnnouncer() = default;

void SpeechDispatcherAnnouncer::announce(const QString& text, Priority priority, QWindow*) {
    if (!m_bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(kFlagTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, text, priority](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusMessage reply = answer->reply();
        const bool running = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                             && reply.arguments().first().value<QDBusVariant>().variant().toBool();
        if (running)
            say(text, priority);
    });
}

void SpeechDispatcherAnnouncer::say(const QString& text, Priority priority) {
    if (m_speak) {
        m_speak(text, priority);
        return;
    }
    if (!m_speech)
        m_speech = std::make_unique<QTextToSpeech>(QStringLiteral("speechd"));
    // Qt 6.4 replaces the utterance under way with a new one, so a medium message
    // also interrupts; a high one additionally stops what was queued by others.
    if (priority == Priority::High)
        m_speech->stop();
    m_speech->say(text);
}
