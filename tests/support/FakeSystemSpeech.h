#pragma once

#include "platform/SystemSpeech.h"

#include <QStringList>
#include <QThread>

#include <mutex>

// A synthesizer with the voices a test lists; speech lasts until the test ends
// it (`finish`) or stop() is called.
class FakeSystemSpeech : public SystemSpeech {
public:
    QList<Voice> voices(const QString& baseLanguage) override {
        {
            const std::lock_guard<std::mutex> lock(m_asking);
            askedOn << QThread::currentThread();
        }
        QList<Voice> out;
        for (const Voice& voice : installed)
            if (voice.language.toLower().startsWith(baseLanguage.toLower()))
                out << voice;
        return out;
    }
    void speak(const QString& text, const QString& voiceIdentifier, std::function<void()> done) override {
        stop();
        spoken << text;
        voicesUsed << voiceIdentifier;
        m_done = std::move(done);
    }
    void stop() override {
        if (auto done = std::exchange(m_done, nullptr))
            done();
    }
    bool speaking() const { return bool(m_done); }
    void finish() { stop(); }

    QList<Voice> installed;
    QStringList spoken;
    QStringList voicesUsed;
    // The thread of each voices() question, in order (guarded: any thread may ask).
    QList<QThread*> askedOn;

private:
    std::mutex m_asking;
    std::function<void()> m_done;
};
