#include "reader/ReaderLanguage.h"

#include "platform/LanguageDetector.h"
#include "platform/Platform.h"
#include "reader/KokoroVoice.h"

#include <QHash>

namespace ReaderLanguage {

namespace {

std::optional<LanguageDetector::Guess> guess(const QString& text, int hypotheses) {
    const QString trimmed = text.trimmed();
    LanguageDetector* detector = Platform::current().languageDetector;
    if (trimmed.isEmpty() || !detector)
        return std::nullopt;
    return detector->guess(trimmed, hypotheses);
}

QString baseOf(const QString& language) { return language.section(u'-', 0, 0).toLower(); }

} // namespace

std::optional<QString> confidentLanguage(const QString& text) {
    const std::optional<LanguageDetector::Guess> answer = guess(text, 1);
    if (!answer || answer->hypotheses.isEmpty())
        return std::nullopt;
    const LanguageDetector::Hypothesis& best = answer->hypotheses.first();
    if (best.language.isEmpty() || best.probability < kConfidence)
        return std::nullopt;
    return best.language;
}

std::optional<QString> dominantLanguage(const QString& text) {
    const std::optional<LanguageDetector::Guess> answer = guess(text, 1);
    if (!answer || answer->dominant.isEmpty())
        return std::nullopt;
    return answer->dominant;
}

std::optional<QString> nativeVoice(const QString& text, const QString& current) {
    const std::optional<QString> language = dominantLanguage(text);
    if (!language)
        return std::nullopt;
    struct Native {
        const char* voice;
        const char* keptFor;
    };
    static const QHash<QString, Native> natives = {
        {QStringLiteral("es"), {"ef_dora", "e"}},   {QStringLiteral("fr"), {"ff_siwis", "f"}},
        {QStringLiteral("it"), {"if_sara", "i"}},   {QStringLiteral("pt"), {"pf_dora", "p"}},
        {QStringLiteral("en"), {"af_heart", "ab"}},
    };
    const auto found = natives.constFind(baseOf(*language));
    if (found == natives.cend())
        return std::nullopt;
    if (!current.isEmpty() && QString::fromLatin1(found->keptFor).contains(current.front()))
        return std::nullopt;
    return QString::fromLatin1(found->voice);
}

bool kokoroSpeaks(const QString& language) {
    static const QHash<QString, QChar> letters = {
        {QStringLiteral("en"), u'a'}, {QStringLiteral("es"), u'e'}, {QStringLiteral("fr"), u'f'},
        {QStringLiteral("it"), u'i'}, {QStringLiteral("pt"), u'p'},
    };
    const auto letter = letters.constFind(language.left(2).toLower());
    if (letter == letters.cend())
        return false;
    const auto anyStartsWith = [](QChar first) {
        for (const KokoroVoice& voice : KokoroVoice::all())
            if (voice.id.startsWith(first))
                return true;
        return false;
    };
    return anyStartsWith(*letter) || (*letter == u'a' && anyStartsWith(u'b'));
}

} // namespace ReaderLanguage
