#pragma once

#include <QString>

#include <array>
#include <optional>

class Defaults;

// Which hours-saved milestone is due after a dictation. The two settings only
// grow: "milestoneHighest" climbs through the thresholds, and
// "milestoneWelcomeShown" turns true once. GUI thread.
namespace Milestones {

inline constexpr std::array<int, 7> kThresholdHours{1, 3, 5, 10, 25, 50, 100};
inline constexpr double kSecondsPerHour = 3600.0;
inline const QString kHighestKey = QStringLiteral("milestoneHighest");
inline const QString kWelcomeShownKey = QStringLiteral("milestoneWelcomeShown");

// The largest threshold reached that is above the one celebrated last, stored
// as the new highest; none when no new threshold is reached. Thresholds
// skipped over between two calls are never returned.
std::optional<int> crossing(Defaults& defaults, double totalSavedSeconds);
// True once, before the first hour is saved and before any milestone; stores
// that the welcome was shown.
bool welcomeIsDue(Defaults& defaults, double totalSavedSeconds);
// The caption under a milestone's hours.
QString line(int hours);

} // namespace Milestones
