#include "platform/linux/SpeechDispatcherAnnouncer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QTextToSpeech>

SpeechDispatcherAnnouncer::SpeechDispatcherAnnouncer() = default;
SpeechDispatcherAnnouncer::~SpeechDispatcherAnnouncer() = default;

bool SpeechDispatcherAnnouncer::screenReaderRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled");
    const QDBusReply<QDBusVariant> reply = bus.call(call, QDBus::Block, 500);
    return reply.isValid() && reply.value().variant().toBool();
}

void SpeechDispatcherAnnouncer::announce(const QString& text, Priority priority, QWindow*) {
    if (!screenReaderRunning())
        return;
    if (!m_speech)
        m_speech = std::make_unique<QTextToSpeech>(QStringLiteral("speechd"));
    // Qt 6.4 replaces the utterance under way with a new one, so a medium message
    // also interrupts; a high one additionally stops what was queued by others.
    if (priority == Priority::High)
        m_speech->stop();
    m_speech->say(text);
}
