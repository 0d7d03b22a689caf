#include "onboarding/Greeting.h"

#include <QChar>
#include <QStringList>

namespace Greeting {

namespace {

// Spaces and tabs, not line breaks.
bool isBlank(QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; }

QString trimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

} // namespace

QString displayName(const QString& typed, const QString& account) {
    const QString name = trimBlanks(typed);
    if (!name.isEmpty())
        return name;
    const QStringList words = account.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty())
        return words.constFirst();
    return QStringLiteral("there");
}

} // namespace Greeting
