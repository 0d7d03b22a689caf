#pragma once

#include <QLocale>
#include <QString>

// The texts of the Dashboard's time-saved card.
namespace HeroText {

inline constexpr qint64 kWordsPerPage = 250;
// Pages are mentioned from this many words on.
inline constexpr qint64 kPagesFromWords = 500;

// Saved time as "Mm" below an hour, else "Hh Mm"; seconds are truncated.
QString timeSaved(double savedSeconds);
// "N words dictated[ at R wpm][, about P pages of writing]." with N grouped in
// `locale`; the invitation to dictate when no word was dictated yet.
QString heroSub(qint64 words, qint64 wordsPerMinute, const QLocale& locale = QLocale());

} // namespace HeroText
