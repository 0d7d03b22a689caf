#pragma once

#include <QString>

#include <optional>

// The two lines the first-words page speaks in the reading voice, read afresh
// from "gift-greeting.txt" and "gift-whisper.txt" in `folder` on every use.
namespace GiftLines {

inline const QString kBuiltInGreeting = QStringLiteral(
    "Hi there! I'm Quorvane, your new reading voice. I live on your Mac, and I never repeat what I hear.");

// The greeting file's text without white space at its ends; the built-in line
// when the folder or file is missing, unreadable or holds only white space.
QString greeting(const QString& folder);
// The whisper file's text likewise; none instead of any fallback.
std::optional<QString> whisper(const QString& folder);

} // namespace GiftLines
