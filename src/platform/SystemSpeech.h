#pragma once

#include <QList>
#include <QString>

#include <functional>

// The desktop's own speech synthesizer: its installed voices, and speaking a
// text aloud with one of them. GUI thread only, but for voices().
class SystemSpeech {
public:
    struct Voice {
        // What speak() takes.
        QString identifier;
        QString name;
        // BCP 47 ("de-DE").
        QString language;
        // 1 default, 2 enhanced, 3 premium.
        int quality = 1;
        bool operator==(const Voice&) const = default;
    };

    virtual ~SystemSpeech() = default;

    // The installed voices whose language begins with `baseLanguage` ("de"),
    // in the synthesizer's order; none when there is no synthesizer. May be
    // called on any thread (each question may wait for the synthesizer).
    virtual QList<Voice> voices(const QString& baseLanguage) = 0;
    // Speaks `text` with the voice at the synthesizer's own rate, pitch and
    // volume; `done` runs once on the GUI thread when the speech has ended,
    // failed or been stopped. A newer speak() stops the older one first.
    virtual void speak(const QString& text, const QString& voiceIdentifier, std::function<void()> done) = 0;
    // Stops at once, not at a word boundary.
    virtual void stop() = 0;
};
