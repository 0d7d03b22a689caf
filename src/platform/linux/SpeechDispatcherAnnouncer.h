#pragma once

#include "platform/Announcer.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>

class QTextToSpeech;

// Announcements on Linux: spoken through speech-dispatcher, and only while a
// screen reader is running (the accessibility bus's ScreenReaderEnabled), so
// people who do not use one never hear them. The bus is asked without
// waiting: the message is spoken when it answers that a screen reader runs.
// Lives on the GUI thread.
class SpeechDispatcherAnnouncer : public QObject, public Announcer {
    Q_OBJECT
public:
    using Speak = std::function<void(const QString& text, Priority priority)>;

    // `bus` is where the screen-reader flag lives (tests pass a private one);
    // `speak` says a message (empty: speech-dispatcher through Qt TextToSpeech).
    explicit SpeechDispatcherAnnouncer(const QDBusConnection& bus = QDBusConnection::sessionBus(), Speak speak = {});
    ~SpeechDispatcherAnnouncer() override;

    void announce(const QString& text, Priority priority, QWindow* window) override;

private:
    void say(const QString& text, Priority priority);

    QDBusConnection m_bus;
    Speak m_speak;
    std::unique_ptr<QTextToSpeech> m_speech;
};
