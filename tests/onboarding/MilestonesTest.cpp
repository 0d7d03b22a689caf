#include "onboarding/Milestones.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

constexpr double kHour = 3600.0;

class MilestonesTest : public ::testing::Test {
protected:
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
};

TEST_F(MilestonesTest, OnlyTheLargestNewThresholdIsCelebratedAndStored) {
    EXPECT_EQ(Milestones::crossing(defaults, 3599.9), std::nullopt);
    EXPECT_EQ(Milestones::crossing(defaults, kHour), 1);
    EXPECT_EQ(defaults.intOr(Milestones::kHighestKey, 0), 1);
    EXPECT_EQ(Milestones::crossing(defaults, 2.9 * kHour), std::nullopt);
    // From 2 to 12 hours only 10 is celebrated; 3 and 5 are skipped for good.
    EXPECT_EQ(Milestones::crossing(defaults, 12 * kHour), 10);
    EXPECT_EQ(Milestones::crossing(defaults, 12 * kHour), std::nullopt);
    EXPECT_EQ(defaults.intOr(Milestones::kHighestKey, 0), 10);
}

TEST_F(MilestonesTest, HoursAreTruncatedAndNothingFollowsAHundred) {
    defaults.set(Milestones::kHighestKey, 3);
    EXPECT_EQ(Milestones::crossing(defaults, 9.9 * kHour), 5);
    EXPECT_EQ(Milestones::crossing(defaults, 10 * kHour), 10);
    defaults.set(Milestones::kHighestKey, 50);
    EXPECT_EQ(Milestones::crossing(defaults, 150 * kHour), 100);
    EXPECT_EQ(Milestones::crossing(defaults, 5000 * kHour), std::nullopt);
    EXPECT_EQ(Milestones::crossing(defaults, -10), std::nullopt);
}

TEST_F(MilestonesTest, TheWelcomeComesOnceBeforeTheFirstHourAndNeverAfterAMilestone) {
    EXPECT_TRUE(Milestones::welcomeIsDue(defaults, 0));
    EXPECT_FALSE(Milestones::welcomeIsDue(defaults, 0));
    EXPECT_TRUE(defaults.boolOr(Milestones::kWelcomeShownKey, false));

    TempFolder other;
    Defaults fresh{other.file(QStringLiteral("defaults.json"))};
    EXPECT_FALSE(Milestones::welcomeIsDue(fresh, kHour));
    ASSERT_EQ(Milestones::crossing(fresh, kHour), 1);
    EXPECT_FALSE(Milestones::welcomeIsDue(fresh, 10));
    EXPECT_FALSE(fresh.contains(Milestones::kWelcomeShownKey));
}

TEST(MilestoneLinesTest, EveryThresholdHasItsCaptionAndOtherHoursTheLast) {
    const std::pair<int, const char*> table[] = {
        {1, "keep this up and that is a day off"},        {3, "a few more of these buys a day off"},
        {5, "a couple more and that is a long weekend"},  {10, "another stretch like this is a week off"},
        {25, "you are counting in weeks now"},            {50, "more than a working fortnight, not typed"},
        {100, "a hundred hours you never spent typing"},  {7, "a hundred hours you never spent typing"},
        {0, "a hundred hours you never spent typing"},
    };
    for (const auto& [hours, caption] : table)
        EXPECT_EQ(Milestones::line(hours), QString::fromUtf8(caption)) << hours;
}

} // namespace
