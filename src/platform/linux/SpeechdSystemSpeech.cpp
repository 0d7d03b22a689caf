#include "platform/linux/SpeechdSystemSpeech.h"

#include <QCoreApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QTextToSpeech>
#include <QThread>
#include <QVoice>

Q_LOGGING_CATEGORY(lcSystemSpeech, "quorvane.systemspeech")

namespace {

const QString kEngine = QStringLiteral("speechd");
// "<language>/<voice name>": speech-dispatcher's voice names are unique only
// within a language.
constexpr QChar kSeparator = u'/';

} // namespace

SpeechdSystemSpeech::SpeechdSystemSpeech() = default;
SpeechdSystemSpeech::~SpeechdSystemSpeech() = default;

QTextToSpeech* SpeechdSystemSpeech::engine() {
    if (!m_engine) {
        if (!QTextToSpeech::availableEngines().contains(kEngine)) {
            qCWarning(lcSystemSpeech) << "no speech-dispatcher engine for Qt TextToSpeech";
            return nullptr;
        }
        m_engine = std::make_unique<QTextToSpeech>(kEngine);
        QObject::connect(m_engine.get(), &QTextToSpeech::stateChanged, m_engine.get(),
                         [this](QTextToSpeech::State state) {
                             if (state == QTextToSpeech::Speaking)
                                 m_started = true;
                             else if (state == QTextToSpeech::Error || (state == QTextToSpeech::Ready && m_started))
                                 finish();
                         });
    }
    return m_engine.get();
}

QList<SystemSpeech::Voice> SpeechdSystemSpeech::voices(const QString& baseLanguage) {
    if (baseLanguage.isEmpty())
        return {};
    // The speaking engine belongs to the GUI thread; another thread asks one of its own.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        if (!QTextToSpeech::availableEngines().contains(kEngine))
            return {};
        QTextToSpeech asking(kEngine);
        return voicesOf(asking, baseLanguage);
    }
    QTextToSpeech* tts = engine();
    return tts ? voicesOf(*tts, baseLanguage) : QList<Voice>{};
}

QList<SystemSpeech::Voice> SpeechdSystemSpeech::voicesOf(QTextToSpeech& tts, const QString& baseLanguage) {
    QList<Voice> out;
    const QLocale before = tts.locale();
    for (const QLocale& locale : tts.availableLocales()) {
        const QString tag = locale.bcp47Name();
        if (!tag.toLower().startsWith(baseLanguage.toLower()))
            continue;
        tts.setLocale(locale);
        for (const QVoice& voice : tts.availableVoices())
            out.append({tag + kSeparator + voice.name(), voice.name(), tag, 1});
    }
    tts.setLocale(before);
    return out;
}

void SpeechdSystemSpeech::speak(const QString& text, const QString& voiceIdentifier, std::function<void()> done) {
    stop();
    QTextToSpeech* tts = engine();
    m_done = std::move(done);
    if (!tts || tts->state() == QTextToSpeech::Error) {
        finish();
        return;
    }
    const QString language = voiceIdentifier.section(kSeparator, 0, 0);
    const QString name = voiceIdentifier.section(kSeparator, 1);
    tts->setLocale(QLocale(language));
    for (const QVoice& voice : tts->availableVoices()) {
        if (voice.name() == name) {
            tts->setVoice(voice);
            break;
        }
    }
    m_started = false;
    tts->say(text);
}

void SpeechdSystemSpeech::stop() {
    if (m_engine && m_done)
        m_engine->stop();
    finish();
}

void SpeechdSystemSpeech::finish() {
    m_started = false;
    if (auto done = std::exchange(m_done, nullptr))
        done();
}
