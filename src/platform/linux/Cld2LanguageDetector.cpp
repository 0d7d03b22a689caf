#include "platform/linux/Cld2LanguageDetector.h"

// The library's header uses FILE without including its declaration.
#include <cstdio>

#include <cld2/public/compact_lang_det.h>

#include <QByteArray>

namespace {

// The library's code of `language` as a BCP 47 tag; empty for "unknown" and
// for its script-only pseudo-languages ("xx-Qaai").
QString tagOf(CLD2::Language language) {
    if (language == CLD2::UNKNOWN_LANGUAGE)
        return {};
    const QString code = QString::fromLatin1(CLD2::LanguageCode(language));
    if (code == QLatin1String("un") || code.startsWith(QLatin1String("xx-")))
        return {};
    // Older codes the library still uses, and its plain "zh" for simplified Chinese.
    if (code == QLatin1String("zh"))
        return QStringLiteral("zh-Hans");
    if (code == QLatin1String("iw"))
        return QStringLiteral("he");
    if (code == QLatin1String("jw"))
        return QStringLiteral("jv");
    return code;
}

} // namespace

LanguageDetector::Guess Cld2LanguageDetector::guess(const QString& text, int maximumHypotheses) {
    const QByteArray utf8 = text.toUtf8();
    CLD2::Language languages[3];
    int percents[3] = {0, 0, 0};
    double scores[3] = {0, 0, 0};
    int textBytes = 0;
    bool reliable = false;
    const CLD2::Language summary =
        CLD2::ExtDetectLanguageSummary(utf8.constData(), int(utf8.size()), true, nullptr, 0, languages, percents,
                                       scores, nullptr, &textBytes, &reliable);

    Guess result;
    // An unreliable summary is a guess; callers are told the language is unknown.
    if (reliable)
        result.dominant = tagOf(summary);
    for (int i = 0; i < 3 && result.hypotheses.size() < maximumHypotheses; ++i) {
        const QString tag = tagOf(languages[i]);
        if (!tag.isEmpty())
            result.hypotheses.append({tag, percents[i] / 100.0});
    }
    return result;
}
