#include "onboarding/GiftLines.h"
#include "onboarding/OnbDots.h"
#include "onboarding/OnboardingStep.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using S = OnboardingStep;

TEST(OnboardingStepsTest, MoveAndLanguagesAreDroppedByTheirRules) {
    EXPECT_EQ(OnboardingSteps::list(true, true), (QList<S>{S::Move, S::Welcome, S::Speaking, S::Reading, S::Engine,
                                                           S::Permissions, S::Languages, S::FirstWords}));
    EXPECT_EQ(OnboardingSteps::list(false, true).first(), S::Welcome);
    EXPECT_TRUE(OnboardingSteps::list(false, true).contains(S::Languages));
    EXPECT_EQ(OnboardingSteps::list(false, false),
              (QList<S>{S::Welcome, S::Speaking, S::Reading, S::Engine, S::Permissions, S::FirstWords}));
    EXPECT_EQ(OnboardingSteps::fromRaw(7), S::FirstWords);
    EXPECT_EQ(OnboardingSteps::fromRaw(8), std::nullopt);
    EXPECT_EQ(OnboardingSteps::fromRaw(-1), std::nullopt);
}

TEST(OnboardingStepsTest, BackAndContinueWalkTheListAndTheLastStepFinishes) {
    const QList<S> steps = OnboardingSteps::list(false, false);
    EXPECT_EQ(OnboardingSteps::next(steps, S::Permissions), S::FirstWords) << "languages is skipped";
    EXPECT_EQ(OnboardingSteps::back(steps, S::FirstWords), S::Permissions);
    EXPECT_EQ(OnboardingSteps::back(steps, S::Welcome), S::Welcome) << "Back on the first step stays";
    EXPECT_EQ(OnboardingSteps::next(steps, S::FirstWords), std::nullopt);

    // A current step missing from the list counts as the first one.
    EXPECT_EQ(OnboardingSteps::position(steps, S::Move), 0);
    EXPECT_EQ(OnboardingSteps::next(steps, S::Languages), S::Speaking);
    EXPECT_EQ(OnboardingSteps::back(steps, S::Move), S::Welcome);
    EXPECT_EQ(OnboardingSteps::next({}, S::Welcome), std::nullopt);
}

TEST(OnbDotsTest, TheLabelCountsFromOneEvenOutOfRange) {
    EXPECT_EQ(OnbDots::label(8, 7), QStringLiteral("Step 8 of 8"));
    EXPECT_EQ(OnbDots::label(8, 11), QStringLiteral("Step 12 of 8"));
    OnbDots none(0, 0);
    EXPECT_EQ(none.accessibleName(), QStringLiteral("Step 1 of 0"));
    EXPECT_EQ(none.sizeHint().width(), 0);
    OnbDots eight(8, 2);
    EXPECT_EQ(eight.sizeHint(), QSize(8 * 7 + 7 * 6, 7));
}

TEST(GiftLinesTest, WhiteSpaceAndMissingFilesFallBackSilently) {
    TempFolder folder;
    EXPECT_EQ(GiftLines::greeting(QString()), GiftLines::kBuiltInGreeting);
    EXPECT_EQ(GiftLines::greeting(folder.path()), GiftLines::kBuiltInGreeting);
    EXPECT_EQ(GiftLines::whisper(folder.path()), std::nullopt);

    folder.write(QStringLiteral("gift-greeting.txt"), " \n\t \r\n");
    folder.write(QStringLiteral("gift-whisper.txt"), "\n   \n");
    EXPECT_EQ(GiftLines::greeting(folder.path()), GiftLines::kBuiltInGreeting);
    EXPECT_EQ(GiftLines::whisper(folder.path()), std::nullopt);

    folder.write(QStringLiteral("gift-greeting.txt"), "\n  Hello, Ana.  \n");
    folder.write(QStringLiteral("gift-whisper.txt"), "psst \xC3\xA9\n");
    EXPECT_EQ(GiftLines::greeting(folder.path()), QStringLiteral("Hello, Ana."));
    EXPECT_EQ(GiftLines::whisper(folder.path()), QStringLiteral("psst \u00e9"));
}

} // namespace
