#include "insertion/PasteLast.h"

#include "app/AppState.h"
#include "insertion/PasteService.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class PasteLastTest : public testing::Test {
protected:
    PasteLastTest()
        : m_previous(PasteService::setScheduler([this](std::chrono::milliseconds delay, std::function<void()> task) {
              scheduled.push_back({delay, std::move(task)});
          })) {
        fakes.pasteboard.otherAppCopies(QStringLiteral("user clipboard"));
    }
    ~PasteLastTest() override {
        // Run what is left, so that no paste stays pending into the next test.
        for (size_t i = 0; i < scheduled.size(); ++i) {
            const std::function<void()> task = scheduled[i].second;
            task();
        }
        PasteService::setScheduler(std::move(m_previous));
    }

    ScopedFakePlatform fakes;
    AppState state;
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;

private:
    PasteService::Schedule m_previous;
};

TEST_F(PasteLastTest, TheTextIsTheNewestEntryUnlessItIsBlank) {
    EXPECT_EQ(PasteLast::text(std::nullopt), std::nullopt);
    EXPECT_EQ(PasteLast::text(QStringLiteral(" \n\t")), std::nullopt);
    EXPECT_EQ(PasteLast::text(QStringLiteral(" kept as stored \n")), QStringLiteral(" kept as stored \n"));
}

TEST_F(PasteLastTest, NothingDictatedFlashesAndLeavesTheClipboard) {
    for (const std::optional<QString>& newest : {std::optional<QString>(), std::optional<QString>(QStringLiteral("   "))}) {
        PasteLast::run(newest, state);
        EXPECT_EQ(state.flashMessage(), QStringLiteral("Nothing dictated yet."));
        EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("user clipboard"));
        EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
    }
}

TEST_F(PasteLastTest, TrustedPastesAndFlashesForTwoSeconds) {
    PasteLast::run(QStringLiteral("last words"), state);
    EXPECT_EQ(fakes.keySynth.posted, QStringList{QStringLiteral("paste")});
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("last words"));
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Pasted your last dictation."));
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Flash);
    ASSERT_EQ(fakes.announcer.announcements.size(), 1);
    EXPECT_EQ(fakes.announcer.announcements.first().text, QStringLiteral("Pasted your last dictation."));
    EXPECT_EQ(fakes.announcer.announcements.first().priority, Announcer::Priority::Medium);
    EXPECT_EQ(fakes.accessibility.trustRequests, 0);

    ASSERT_EQ(scheduled.size(), 1u);
    EXPECT_EQ(scheduled.front().first, 2200ms);
    scheduled.front().second();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(PasteLastTest, UntrustedCopiesThenAsksForAccess) {
    fakes.accessibility.trusted = false;
    PasteLast::run(QStringLiteral("last words"), state);
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("last words"));
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Copied. Grant Accessibility to paste it for you."));
    EXPECT_EQ(fakes.accessibility.trustRequests, 1);
}

TEST_F(PasteLastTest, WithoutKeystrokesItCopiesAsWhenUntrusted) {
    fakes.keySynth.available = false;
    PasteLast::run(QStringLiteral("last words"), state);
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Copied. Grant Accessibility to paste it for you."));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("last words"));
}

TEST_F(PasteLastTest, ALaterBubbleIsNotHiddenByTheFlashTimer) {
    PasteLast::run(QStringLiteral("last words"), state);
    state.setBubbleMode(BubbleMode::Listening);
    scheduled.front().second();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Listening);
}

} // namespace
