// The record of our own posted keys that lets the key watch tell them from
// the user's typing.
#include "platform/linux/PostedKeystrokes.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct PostedKeystrokesTest : testing::Test {
    std::chrono::steady_clock::time_point now{};
    PostedKeystrokes posted{[this] { return now; }};
};

TEST_F(PostedKeystrokesTest, EachPostedEventIsClaimedOnceByKeyAndDirection) {
    constexpr quint32 kBackspace = 22;
    constexpr quint32 kA = 38;
    for (int i = 0; i < 2; ++i) {
        posted.note(kBackspace, true);
        posted.note(kBackspace, false);
    }
    EXPECT_FALSE(posted.claim(kA, true)) << "the user's own key";
    EXPECT_TRUE(posted.claim(kBackspace, true));
    EXPECT_TRUE(posted.claim(kBackspace, false));
    EXPECT_TRUE(posted.claim(kBackspace, true));
    EXPECT_TRUE(posted.claim(kBackspace, false));
    EXPECT_FALSE(posted.claim(kBackspace, true)) << "a third Backspace is the user's";
}

TEST_F(PostedKeystrokesTest, APostTheWatchNeverSawCannotSwallowALaterKeyOfTheUser) {
    constexpr quint32 kBackspace = 22;
    posted.note(kBackspace, true);
    now += PostedKeystrokes::kForgetAfter + 1ms;
    EXPECT_FALSE(posted.claim(kBackspace, true));
    posted.note(kBackspace, true);
    now += PostedKeystrokes::kForgetAfter - 1ms;
    EXPECT_TRUE(posted.claim(kBackspace, true)) << "a slow server still returns ours";
}

} // namespace
