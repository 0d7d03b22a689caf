#include "onboarding/Milestones.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QSet>

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

TEST(MilestoneLinesTest, EveryThresholdHasItsOwnCaptionAndOtherHoursTheLast) {
    QSet<QString> captions;
    for (const int hours : {1, 3, 5, 10, 25, 50, 100})
        captions.insert(Milestones::line(hours));
    EXPECT_EQ(captions.size(), 7);
    EXPECT_FALSE(captions.contains(QString()));
    EXPECT_EQ(Milestones::line(7), Milestones::line(100));
    EXPECT_EQ(Milestones::line(0), Milestones::line(100));
}

} // namespace
