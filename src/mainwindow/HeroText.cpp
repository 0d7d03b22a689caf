#include "mainwindow/HeroText.h"

#include <algorithm>
#include <cmath>

namespace HeroText {

namespace {

// Far past any real total (some 30 million years), and well inside what a
// 64-bit count of seconds holds: a hand-edited statistics file cannot push the
// conversion below out of range.
constexpr double kLongestShownSeconds = 1e15;

} // namespace

QString timeSaved(double savedSeconds) {
    const qint64 s =
        std::isfinite(savedSeconds) && savedSeconds > 0 ? qint64(std::min(savedSeconds, kLongestShownSeconds)) : 0;
    if (s < 3600)
        return QString::number(s / 60) + QLatin1Char('m');
    return QString::number(s / 3600) + QStringLiteral("h ") + QString::number((s % 3600) / 60) + QLatin1Char('m');
}

QString heroSub(qint64 words, qint64 wordsPerMinute, const QLocale& locale) {
    if (words < 1)
        return QStringLiteral("Dictate anywhere with a double-tap. Your stats will build here.");
    QString line = locale.toString(words) + QStringLiteral(" words dictated");
    if (wordsPerMinute >= 1)
        line += QStringLiteral(" at ") + QString::number(wordsPerMinute) + QStringLiteral(" wpm");
    if (words >= kPagesFromWords)
        line +=
            QStringLiteral(", about ") + QString::number(words / kWordsPerPage) + QStringLiteral(" pages of writing");
    return line + QLatin1Char('.');
}

} // namespace HeroText
