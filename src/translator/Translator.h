#pragma once

#include <QFuture>
#include <QString>

#include <optional>

// Translation of dictated text on this computer: the two target languages from
// the settings, detection of the language a text is in, the names of language
// codes, whether a language pair can be used, and the one-shot translation of a
// dictation with the reasons it can fail and the messages for them. Language
// codes are BCP 47 tags ("en", "zh-Hans"). GUI thread only.
namespace Translator {

// Whether a language pair can be used, in this order: ready, can be once its
// language data is installed, cannot be, or there is no translator at all.
enum class Availability { Installed, Supported, Unsupported, Unavailable };

// Why a dictation was not translated.
struct Failure {
    enum class Kind { NotDownloaded, Unsupported, NeedsNewerSystem, NotDetected, SameLanguage, Failed };

    Kind kind = Kind::Failed;
    // NotDownloaded and Unsupported: the display name of the spoken language.
    QString languageName;

    static Failure notDownloaded(const QString& name) { return {Kind::NotDownloaded, name}; }
    static Failure unsupported(const QString& name) { return {Kind::Unsupported, name}; }
    static Failure needsNewerSystem() { return {Kind::NeedsNewerSystem, {}}; }
    static Failure notDetected() { return {Kind::NotDetected, {}}; }
    static Failure sameLanguage() { return {Kind::SameLanguage, {}}; }
    static Failure failed() { return {Kind::Failed, {}}; }
    bool operator==(const Failure&) const = default;
};

// A translated text, or why there is none.
struct Result {
    // Trimmed and never empty when the translation succeeded.
    QString text;
    std::optional<Failure> failure;

    static Result success(const QString& text) { return {text, std::nullopt}; }
    static Result failedWith(const Failure& failure) { return {{}, failure}; }
    bool succeeded() const { return !failure; }
};

// Marks the next dictation for translation, or clears the mark. Set by the
// translate keys and the menu.
void setTranslateNextDictation(bool armed);
// Whether the next dictation is marked; the dictation pipeline reads and
// clears the mark when that dictation stops.
bool takeTranslateNextDictation();

// Whether this computer can translate at all: the on-device translator is
// installed with at least one language pair.
bool isAvailable();

// The language dictation is typed in: "translationTarget", "en" when missing or empty.
QString typeTarget();
// The language a passage is read aloud in: "translationReadTarget", else `typeTarget()`.
QString readTarget();

// The dominant language of `text`, or nothing when it has fewer than three
// words or the detector is not sure enough.
std::optional<QString> detect(const QString& text);
// The part of a code before the first "-", lower-cased.
QString base(const QString& code);
// The name shown for a code in the current locale's language.
QString displayName(const QString& code);

QFuture<Availability> availability(const QString& source, const QString& target);
// Translates `text` into `typeTarget()`. The future finishes on the GUI thread
// and always holds a result.
QFuture<Result> translate(const QString& text);
// What to tell the user, or nothing when the untranslated text is simply kept.
std::optional<QString> message(const Failure& failure);

} // namespace Translator
