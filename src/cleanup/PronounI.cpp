#include "cleanup/PronounI.h"

#include "platform/LanguageDetector.h"
#include "platform/Platform.h"
#include "support/Regex.h"

namespace {

bool mayBeEnglish(const QString& text) {
    LanguageDetector* detector = Platform::current().languageDetector;
    if (!detector)
        return true;
    const QString language = detector->guess(text, 1).dominant;
    return language.isEmpty() || language.section(QLatin1Char('-'), 0, 0).toLower() == QLatin1String("en");
}

} // namespace

namespace PronounI {

QString capitalized(const QString& text) {
    static const Regex pronoun(QStringLiteral(
        "(?<![\\w.@/\\\\-])(?:(?<!\\()|(?!i\\)))i(?=(?:['\u2019](?:m|ve|ll|d))?(?![\\w@/\\\\'\u2019-]|\\.\\w))"));
    if (!pronoun.matches(text) || !mayBeEnglish(text))
        return text;
    return pronoun.replace(text, QStringLiteral("I"));
}

} // namespace PronounI
