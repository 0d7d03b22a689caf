#include "onboarding/Milestones.h"

#include "support/Defaults.h"

#include <cmath>

namespace Milestones {

std::optional<int> crossing(Defaults& defaults, double totalSavedSeconds) {
    const double hours = std::trunc(totalSavedSeconds / kSecondsPerHour);
    std::optional<int> reached;
    for (int threshold : kThresholdHours) {
        if (threshold <= hours)
            reached = threshold;
    }
    if (!reached)
        return std::nullopt;
    if (defaults.intOr(kHighestKey, 0) >= *reached)
        return std::nullopt;
    defaults.set(kHighestKey, *reached);
    return reached;
}

bool welcomeIsDue(Defaults& defaults, double totalSavedSeconds) {
    if (defaults.boolOr(kWelcomeShownKey, false))
        return false;
    if (defaults.intOr(kHighestKey, 0) != 0)
        return false;
    if (totalSavedSeconds >= kSecondsPerHour)
        return false;
    defaults.set(kWelcomeShownKey, true);
    return true;
}

QString line(int hours) {
    switch (hours) {
    case 1:
        return QStringLiteral("keep this up and that is a day off");
    case 3:
        return QStringLiteral("a few more of these buys a day off");
    case 5:
        return QStringLiteral("a couple more and that is a long weekend");
    case 10:
        return QStringLiteral("another stretch like this is a week off");
    case 25:
        return QStringLiteral("you are counting in weeks now");
    case 50:
        return QStringLiteral("more than a working fortnight, not typed");
    default:
        return QStringLiteral("a hundred hours you never spent typing");
    }
}

} // namespace Milestones
