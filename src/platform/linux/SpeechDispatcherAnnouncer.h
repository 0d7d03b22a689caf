#pragma once

#include "platform/Announcer.h"

#include <memory>

class QTextToSpeech;

// Announcements on Linux: spoken through speech-dispatcher, and only while a
// screen reader is running (the accessibility bus's ScreenReaderEnabled), so
// people who do not use one never hear them.
class SpeechDispatcherAnnouncer : public Announcer {
public:
    SpeechDispatcherAnnouncer();
    ~SpeechDispatcherAnnouncer() override;

    void announce(const QString& text, Priority priority, QWindow* window) override;

private:
    static bool screenReaderRunning();

    std::unique_ptr<QTextToSpeech> m_speech;
};
