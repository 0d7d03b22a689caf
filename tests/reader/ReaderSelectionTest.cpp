#include "reader/ReaderSelection.h"
#include "support/Await.h"
#include "support/FakePlatform.h"

#include <QObject>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The frontmost application's answer to Ctrl+C.
class CopyingKeySynth : public FakeKeySynth {
public:
    void copy() override {
        FakeKeySynth::copy();
        if (onCopy)
            onCopy();
    }
    std::function<void()> onCopy;
};

class ReaderSelectionTest : public testing::Test {
protected:
    ReaderSelectionTest() {
        Platform services = platform.services();
        services.keySynth = &keys;
        previous = Platform::install(services);
        platform.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), QStringLiteral("editor"), {}, 4242};
        platform.pasteboard.items = userClipboard;
    }
    ~ReaderSelectionTest() override { Platform::install(previous); }

    std::optional<QString> read() { return awaitResult(ReaderSelection::read(&context, {1ms, 24})); }

    const Pasteboard::Snapshot userClipboard = {
        {{QStringLiteral("text/plain"), "what the user copied"}, {QStringLiteral("text/html"), "<b>what</b>"}},
        {{QStringLiteral("image/png"), QByteArray("\x89PNG\r\n", 6)}},
    };
    ScopedFakePlatform platform;
    CopyingKeySynth keys;
    Platform previous;
    QObject context;
};

TEST_F(ReaderSelectionTest, TheFocusedElementsSelectionComesFirst) {
    auto element = std::make_shared<FakeElement>();
    element->value = QStringLiteral("The quick brown fox");
    element->selection = AccessibleElement::TextRange{4, 11};
    platform.accessibility.focused = element;
    platform.primarySelection.selection = PrimarySelection::Owned{QStringLiteral("other"), 4242};
    EXPECT_EQ(read(), QStringLiteral("quick brown"));
    EXPECT_EQ(platform.primarySelection.reads, 0);
    EXPECT_TRUE(keys.posted.isEmpty());
}

TEST_F(ReaderSelectionTest, ThePrimarySelectionCountsOnlyWhenTheFrontmostApplicationHoldsIt) {
    platform.primarySelection.selection = PrimarySelection::Owned{QStringLiteral("  selected in front \n"), 4242};
    EXPECT_EQ(read(), QStringLiteral("selected in front"));
    EXPECT_TRUE(keys.posted.isEmpty());

    // A selection left behind in another window is stale: copy instead.
    platform.primarySelection.selection = PrimarySelection::Owned{QStringLiteral("stale"), 77};
    keys.onCopy = [this] { platform.pasteboard.otherAppCopies(QStringLiteral("copied in front")); };
    EXPECT_EQ(read(), QStringLiteral("copied in front"));
    EXPECT_EQ(keys.posted, QStringList{"copy"});
}

TEST_F(ReaderSelectionTest, CopiesAgainstATransientSentinelAndPutsEveryFormatBack) {
    bool sentinelWasTransient = false;
    keys.onCopy = [&] {
        sentinelWasTransient = platform.pasteboard.plainText() == QLatin1String(ReaderSelection::kSentinel) &&
                               platform.pasteboard.isTransient();
        platform.pasteboard.otherAppCopies(QStringLiteral("\tthe selection  "));
    };
    EXPECT_EQ(read(), QStringLiteral("the selection"));
    EXPECT_TRUE(sentinelWasTransient);
    EXPECT_EQ(platform.pasteboard.items, userClipboard);
}

TEST_F(ReaderSelectionTest, NothingCopiedGivesNothingAndTheClipboardBack) {
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(keys.posted, QStringList{"copy"});
    EXPECT_EQ(platform.pasteboard.items, userClipboard);

    keys.onCopy = [this] { platform.pasteboard.otherAppCopies(QStringLiteral(" \n ")); };
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(platform.pasteboard.items, userClipboard);

    platform.pasteboard.items.clear();
    keys.onCopy = nullptr;
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(platform.pasteboard.items.isEmpty()) << "the sentinel does not stay behind";
}

TEST_F(ReaderSelectionTest, NeverCopiesInATerminalOrWithoutKeystrokes) {
    platform.workspace.frontmost->identifier = QStringLiteral("xterm");
    EXPECT_EQ(read(), std::nullopt);
    platform.workspace.frontmost->identifier = QStringLiteral("editor");
    keys.available = false;
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(keys.posted.isEmpty());
    EXPECT_EQ(platform.pasteboard.items, userClipboard);
    EXPECT_EQ(platform.pasteboard.restores, 0);
}

} // namespace
