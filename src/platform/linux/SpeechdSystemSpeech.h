#pragma once

#include "platform/SystemSpeech.h"

#include <QPointer>

#include <memory>

class QTextToSpeech;

// The desktop synthesizer through Qt TextToSpeech's speech-dispatcher engine,
// which starts speech-dispatcher on first use. Every voice counts as of
// default quality: speech-dispatcher does not tell.
class SpeechdSystemSpeech : public SystemSpeech {
public:
    SpeechdSystemSpeech();
    ~SpeechdSystemSpeech() override;

    QList<Voice> voices(const QString& baseLanguage) override;
    void speak(const QString& text, const QString& voiceIdentifier, std::function<void()> done) override;
    void stop() override;

private:
    QTextToSpeech* engine();
    static QList<Voice> voicesOf(QTextToSpeech& tts, const QString& baseLanguage);
    void finish();

    std::unique_ptr<QTextToSpeech> m_engine;
    std::function<void()> m_done;
    bool m_started = false;
};
