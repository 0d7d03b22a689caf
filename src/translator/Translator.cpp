#include "translator/Translator.h"

#include "platform/LanguageDetector.h"
#include "platform/OnDeviceTranslator.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "support/Defaults.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <utility>

#include <unicode/uloc.h>

namespace Translator {

namespace {

constexpr double minimumProbability = 0.62;
constexpr int minimumWords = 3;

QString storedLanguage(const QString& key) { return Defaults::shared().string(key).value_or(QString()); }

qsizetype wordCount(const QString& text) {
    qsizetype words = 0;
    bool inWord = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

// Each word (separated by white space or a hyphen) with its first letter
// upper-cased and the rest lower-cased.
QString capitalized(const QString& text) {
    QString result;
    result.reserve(text.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSpace() || c == u'-') {
            result.append(c);
            wordStart = true;
            continue;
        }
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString letter = text.mid(i, length);
        result.append(wordStart ? letter.toUpper() : letter.toLower());
        wordStart = false;
        i += length - 1;
    }
    return result;
}

// The current locale's name for a language code, or nothing when it has none.
std::optional<QString> localizedLanguageName(const QString& code) {
    if (code.isEmpty())
        return std::nullopt;
    const QLocale current;
    const QByteArray displayLocale =
        current.language() == QLocale::C ? QByteArrayLiteral("en") : current.name().toLatin1();
    UChar name[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getDisplayLanguage(code.toLower().toLatin1().constData(), displayLocale.constData(),
                                                   name, int32_t(std::size(name)), &status);
    if (U_FAILURE(status) || status == U_USING_DEFAULT_WARNING || length <= 0)
        return std::nullopt;
    const QString result = QString::fromUtf16(reinterpret_cast<const char16_t*>(name), length);
    // The library echoes a code it has no name for.
    if (result.compare(code, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return result;
}

Availability availabilityNow(OnDeviceTranslator* translator, const QString& source, const QString& target) {
    if (!translator || !translator->isAvailable())
        return Availability::Unavailable;
    switch (translator->status(source, target)) {
    case OnDeviceTranslator::PairStatus::Installed:
        return Availability::Installed;
    case OnDeviceTranslator::PairStatus::Supported:
        return Availability::Supported;
    case OnDeviceTranslator::PairStatus::Unsupported:
        break;
    }
    return Availability::Unsupported;
}

QFuture<Result> finished(const Failure& failure) { return QtFuture::makeReadyFuture(Result::failedWith(failure)); }

} // namespace

QString typeTarget() {
    const QString stored = storedLanguage(QStringLiteral("translationTarget"));
    return stored.isEmpty() ? QStringLiteral("en") : stored;
}

QString readTarget() {
    const QString stored = storedLanguage(QStringLiteral("translationReadTarget"));
    return stored.isEmpty() ? typeTarget() : stored;
}

std::optional<QString> detect(const QString& text) {
    const QString trimmed = text.trimmed();
    if (wordCount(trimmed) < minimumWords)
        return std::nullopt;
    LanguageDetector* detector = Platform::current().languageDetector;
    if (!detector)
        return std::nullopt;
    const LanguageDetector::Guess guess = detector->guess(trimmed, 2);
    if (guess.dominant.isEmpty())
        return std::nullopt;
    for (const LanguageDetector::Hypothesis& hypothesis : guess.hypotheses) {
        if (hypothesis.language == guess.dominant) {
            if (hypothesis.probability < minimumProbability)
                return std::nullopt;
            return guess.dominant;
        }
    }
    return std::nullopt;
}

QString base(const QString& code) {
    const QStringList pieces = code.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? code.toLower() : pieces.first().toLower();
}

QString displayName(const QString& code) {
    if (code == QLatin1String("zh-Hans"))
        return QStringLiteral("Chinese (Simplified)");
    if (code == QLatin1String("zh-Hant"))
        return QStringLiteral("Chinese (Traditional)");
    const QString language = code.section(QLatin1Char('-'), 0, 0);
    if (const std::optional<QString> name = localizedLanguageName(language))
        return capitalized(*name);
    return code.toUpper();
}

QFuture<Availability> availability(const QString& source, const QString& target) {
    return QtFuture::makeReadyFuture(availabilityNow(Platform::current().onDeviceTranslator, source, target));
}

namespace {
bool translateNext = false;
} // namespace

void setTranslateNextDictation(bool armed) { translateNext = armed; }

bool takeTranslateNextDictation() { return std::exchange(translateNext, false); }

bool isAvailable() {
    OnDeviceTranslator* translator = Platform::current().onDeviceTranslator;
    return translator && translator->isAvailable();
}

QFuture<Result> translate(const QString& text) {
    if (!isAvailable())
        return finished(Failure::needsNewerSystem());
    OnDeviceTranslator* translator = Platform::current().onDeviceTranslator;
    const QString target = typeTarget();
    const std::optional<QString> source = detect(text);
    if (!source)
        return finished(Failure::notDetected());
    if (base(*source) == base(target))
        return finished(Failure::sameLanguage());
    switch (availabilityNow(translator, *source, target)) {
    case Availability::Supported:
        return finished(Failure::notDownloaded(displayName(*source)));
    case Availability::Unsupported:
        return finished(Failure::unsupported(displayName(*source)));
    case Availability::Unavailable:
        return finished(Failure::needsNewerSystem());
    case Availability::Installed:
        break;
    }
    return translator->translate(text, *source, target)
        .then(QCoreApplication::instance(),
              [](const std::optional<QString>& translated) {
                  const QString trimmed = translated.value_or(QString()).trimmed();
                  return trimmed.isEmpty() ? Result::failedWith(Failure::failed()) : Result::success(trimmed);
              })
        .onCanceled(QCoreApplication::instance(), [] { return Result::failedWith(Failure::failed()); });
}

std::optional<QString> message(const Failure& failure) {
    switch (failure.kind) {
    case Failure::Kind::NotDownloaded:
        return failure.languageName
               + Wording::of(QStringLiteral(
                   " is not downloaded yet. System Settings > General > Language & Region > Translation Languages."));
    case Failure::Kind::Unsupported:
        return failure.languageName + Wording::of(QStringLiteral(" cannot be translated on this Mac."));
    case Failure::Kind::NeedsNewerSystem:
        return Wording::of(QStringLiteral("Translation needs macOS 26 or later."));
    case Failure::Kind::NotDetected:
    case Failure::Kind::SameLanguage:
        return std::nullopt;
    case Failure::Kind::Failed:
        break;
    }
    return QStringLiteral("Could not translate that. The original text was kept.");
}

} // namespace Translator
