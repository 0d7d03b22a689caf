#pragma once

#include "reader/KokoroVoice.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class ReaderController;

// Plays a short self-introduction in one voice so the user can hear it before
// choosing it, through the reader with that voice forced. `playing` names the
// voice whose sample was started last and has not ended. Every play takes a
// token: only the task of the latest play may clear the mark, so neither an
// older sample of another voice nor an older sample of the same voice ends a
// newer one's playing look. GUI thread only.
class VoiceAudition : public QObject {
    Q_OBJECT
public:
    // Reads `text` with `voiceId` at normal speed and full volume; finishes
    // when the reading has ended or failed, is cancelled when it was stopped.
    using Speak = std::function<QFuture<void>(const QString& text, const QString& voiceId)>;

    explicit VoiceAudition(Speak speak, QObject* parent = nullptr);
    // Reads through `reader`, which must outlive the audition.
    explicit VoiceAudition(ReaderController& reader, QObject* parent = nullptr);

    std::optional<QString> playing() const { return m_playing; }
    // Marks `voice` as playing at once and starts its sample.
    void play(const KokoroVoice& voice);

    // The sample sentence, by the id's first letter (e, f, i, p, else English).
    static QString sample(const KokoroVoice& voice);

signals:
    void playingChanged();

private:
    void setPlaying(std::optional<QString> id);

    Speak m_speak;
    std::optional<QString> m_playing;
    quint64 m_token = 0;
};
