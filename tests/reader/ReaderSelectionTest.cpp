#include "reader/ReaderSelection.h"
#include "insertion/PasteService.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <QObject>
#include <QTest>

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
        platform.workspace.frontmost =
            Workspace::Application{QStringLiteral("Editor"), QStringLiteral("editor"), {}, 4242};
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
        sentinelWasTransient = platform.pasteboard.plainText() == QLatin1String(ReaderSelection::kSentinel)
                               && platform.pasteboard.isTransient();
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

// Two reads of the selection in quick succession (the reader key twice, the
// tray row and a double-tap, a translate key over a reading), both on the copy
// road.
TEST_F(ReaderSelectionTest, TwoReadsAtOnceEachGetTheSelectionAndTheUsersClipboardComesBack) {
    keys.onCopy = [this] { platform.pasteboard.otherAppCopies(QStringLiteral("the selection")); };
    const QFuture<std::optional<QString>> first = ReaderSelection::read(&context, {1ms, 24});
    const QFuture<std::optional<QString>> second = ReaderSelection::read(&context, {1ms, 24});
    EXPECT_EQ(awaitResult(first), QStringLiteral("the selection"));
    EXPECT_EQ(awaitResult(second), QStringLiteral("the selection"));
    EXPECT_EQ(platform.pasteboard.items, userClipboard);
    EXPECT_EQ(keys.posted, (QStringList{"copy", "copy"}));
}

TEST_F(ReaderSelectionTest, ACopyOutlivesWhoeverAskedForIt) {
    keys.onCopy = [this] { platform.pasteboard.otherAppCopies(QStringLiteral("the selection")); };
    auto asker = std::make_unique<QObject>();
    const QFuture<std::optional<QString>> read = ReaderSelection::read(asker.get(), {1ms, 24});
    asker.reset();
    EXPECT_EQ(awaitResult(read), QStringLiteral("the selection"));
    EXPECT_EQ(platform.pasteboard.items, userClipboard);
}

// A paste of the program borrows the same clipboard: a dictation or the
// selection chip pasting while a selection is copied, or a read while a paste
// still waits to put the user's clipboard back.
class CopyAndPasteTest : public ReaderSelectionTest {
protected:
    CopyAndPasteTest() {
        Defaults::shared().set(QStringLiteral("keepDictationOnClipboard"), false);
        keys.onCopy = [this] { platform.pasteboard.otherAppCopies(QStringLiteral("the selection")); };
    }
    ~CopyAndPasteTest() override { Defaults::shared().remove(QStringLiteral("keepDictationOnClipboard")); }

    // Runs the event loop until the user's clipboard is back, or gives up
    // after the paste's restore cap.
    bool clipboardBack() {
        return QTest::qWaitFor([this] { return platform.pasteboard.items == userClipboard; },
                               int(PasteService::kRestoreCap.count()) + 500);
    }
};

TEST_F(CopyAndPasteTest, APasteDuringACopyWaitsForTheClipboardToComeBack) {
    const QFuture<std::optional<QString>> read = ReaderSelection::read(&context, {1ms, 24});
    PasteService::paste(QStringLiteral("dictated"));
    EXPECT_EQ(keys.posted, QStringList{"copy"}) << "the paste went in while the sentinel was out";
    EXPECT_EQ(awaitResult(read), QStringLiteral("the selection"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return keys.posted.size() == 2; }));
    EXPECT_EQ(keys.posted.last(), QStringLiteral("paste"));
    EXPECT_EQ(platform.pasteboard.plainText(), QStringLiteral("dictated"));
    platform.pasteboard.targetFetches();
    EXPECT_TRUE(clipboardBack());
}

TEST_F(CopyAndPasteTest, ACopyDuringAPasteStartsOnceThePasteHasPutTheClipboardBack) {
    PasteService::paste(QStringLiteral("dictated"));
    const QFuture<std::optional<QString>> read = ReaderSelection::read(&context, {1ms, 24});
    QTest::qWait(20);
    EXPECT_EQ(keys.posted, QStringList{"paste"}) << "the copy saved the dictation as the user's clipboard";
    platform.pasteboard.targetFetches();
    EXPECT_EQ(awaitResult(read), QStringLiteral("the selection"));
    EXPECT_TRUE(clipboardBack());
    EXPECT_EQ(keys.posted, (QStringList{"paste", "copy"}));
}

} // namespace
