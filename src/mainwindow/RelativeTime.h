#pragma once

#include <QDateTime>
#include <QString>

// "5 minutes ago", "in 2 hours", "1 day ago": how long before or after `now`
// `moment` lies, in the largest whole unit, with the unit's full name.
namespace RelativeTime {

QString text(const QDateTime& moment, const QDateTime& now);

} // namespace RelativeTime
