#include "mainwindow/RelativeTime.h"

#include <array>

namespace RelativeTime {

namespace {

struct Unit {
    qint64 seconds;
    const char* singular;
    const char* plural;
};

constexpr std::array<Unit, 7> kUnits{{
    {365 * 86400, "year", "years"},
    {30 * 86400, "month", "months"},
    {7 * 86400, "week", "weeks"},
    {86400, "day", "days"},
    {3600, "hour", "hours"},
    {60, "minute", "minutes"},
    {1, "second", "seconds"},
}};

} // namespace

QString text(const QDateTime& moment, const QDateTime& now) {
    const qint64 apart = moment.secsTo(now);
    const qint64 span = apart < 0 ? -apart : apart;
    for (const Unit& unit : kUnits) {
        const qint64 count = span / unit.seconds;
        if (count < 1 && unit.seconds > 1)
            continue;
        const QString amount =
            QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? unit.singular : unit.plural);
        return apart < 0 ? QStringLiteral("in ") + amount : amount + QStringLiteral(" ago");
    }
    return {};
}

} // namespace RelativeTime
