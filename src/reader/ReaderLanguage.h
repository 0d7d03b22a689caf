#pragma once

#include <QString>

#include <optional>

// How the reader tells a text's language and which engine voice speaks it.
// Language codes are BCP 47 tags; voices are engine voice ids. Uses the
// platform's language detector; GUI thread.
namespace ReaderLanguage {

// The least probability at which a detected language counts as known.
inline constexpr double kConfidence = 0.6;

// The likeliest language of the trimmed text when its probability is at least
// kConfidence; nothing for empty text or an unsure detector.
std::optional<QString> confidentLanguage(const QString& text);
// The language most of the trimmed text is in, however unsure; nothing for
// empty text or when the detector cannot tell.
std::optional<QString> dominantLanguage(const QString& text);
// The default voice of the text's language when `current` does not already
// speak it: Spanish "ef_dora", French "ff_siwis", Italian "if_sara",
// Portuguese "pf_dora", English "af_heart" (kept for any "a" or "b" voice).
std::optional<QString> nativeVoice(const QString& text, const QString& current);
// Whether some engine voice speaks the language.
bool kokoroSpeaks(const QString& language);

} // namespace ReaderLanguage
