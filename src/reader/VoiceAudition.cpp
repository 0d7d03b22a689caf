#include "reader/VoiceAudition.h"

#include "reader/ReaderController.h"

VoiceAudition::VoiceAudition(Speak speak, QObject* parent) : QObject(parent), m_speak(std::move(speak)) {}

VoiceAudition::VoiceAudition(ReaderController& reader, QObject* parent)
    : VoiceAudition(
        [&reader](const QString& text, const QString& voiceId) { return reader.speak(text, voiceId, 1.0, 1.0f); },
        parent) {}

void VoiceAudition::play(const KokoroVoice& voice) {
    const quint64 token = ++m_token;
    setPlaying(voice.id);
    // Played through or cut short by a stop, the sample is over either way.
    const auto ended = [this, token, id = voice.id] {
        if (token == m_token && m_playing == id)
            setPlaying(std::nullopt);
    };
    m_speak(sample(voice), voice.id).then(this, ended).onCanceled(this, ended);
}

QString VoiceAudition::sample(const KokoroVoice& voice) {
    const QChar letter = voice.id.isEmpty() ? QChar() : voice.id.front();
    if (letter == u'e')
        return QStringLiteral("Hola, soy ") + voice.name + QStringLiteral(". Así sueno cuando leo en voz alta.");
    if (letter == u'f')
        return QStringLiteral("Bonjour, je suis ") + voice.name + QStringLiteral(". Voici ma voix.");
    if (letter == u'i')
        return QStringLiteral("Ciao, sono ") + voice.name + QStringLiteral(". Ecco come suono.");
    if (letter == u'p')
        return QStringLiteral("Olá, eu sou ") + voice.name + QStringLiteral(". É assim que eu soo.");
    return QStringLiteral("Hi, I'm ") + voice.name + QStringLiteral(". This is how I sound when I read to you.");
}

void VoiceAudition::setPlaying(std::optional<QString> id) {
    if (m_playing == id)
        return;
    m_playing = std::move(id);
    emit playingChanged();
}
