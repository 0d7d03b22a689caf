#include "reader/HoverReader.h"

#include "support/FakePointerWatch.h"
#include "support/QtPrinting.h"

#include <QCoreApplication>
#include <QPromise>
#include <QWidget>

#include <gmock/gmock.h>

namespace {

using namespace std::chrono_literals;

const QRect kScreen(0, 0, 1024, 768);
const QRect kFirst(100, 200, 300, 40);
const QRect kSecond(100, 300, 300, 60);
const QString kFirstText = QStringLiteral("The first paragraph, long enough to be read aloud by the reader.");
const QString kSecondText = QStringLiteral("The second paragraph, also long enough to be read aloud to the user.");
constexpr QPoint kOnFirst(150, 210);
constexpr QPoint kOnSecond(150, 320);
constexpr QPoint kNowhere(900, 700);

class HoverReaderTest : public testing::Test {
protected:
    HoverReaderTest() : reader(services()) {}

    HoverReader::Services services() {
        HoverReader::Services s;
        s.pointer = &pointer;
        s.targetUnderPointer = [this]() -> std::optional<AXText::HoverTarget> {
            ++lookups;
            const QPoint at = pointer.pointer.value_or(QPoint(-1, -1));
            if (kFirst.contains(at))
                return AXText::HoverTarget{kFirstText, kFirst};
            if (kSecond.contains(at))
                return AXText::HoverTarget{kSecondText, kSecond};
            return std::nullopt;
        };
        s.ownClickUnderPointer = [this] { return ownClick; };
        s.speak = [this](const QString& text) {
            spoken << text;
            readings.push_back(std::make_unique<QPromise<void>>());
            readings.back()->start();
            return readings.back()->future();
        };
        s.stopReading = [this] { ++stops; };
        s.now = [this] { return now; };
        s.availableArea = [](const QRect&) { return std::optional(kScreen); };
        return s;
    }

    // Moves the pointer a little later than the last look, so the move is not throttled.
    void moveTo(QPoint at) {
        now += 200ms;
        pointer.move(at);
    }
    // Ends reading number `index` as the reader does when it is done or stopped.
    void endReading(size_t index) {
        readings.at(index)->finish();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    bool panelsShown() const {
        return reader.highlightPanel() && reader.highlightPanel()->isVisible() && reader.noticePanel()->isVisible();
    }

    FakePointerWatch pointer;
    HoverReader::Clock::time_point now{100s};
    int lookups = 0;
    bool ownClick = false;
    QStringList spoken;
    std::vector<std::unique_ptr<QPromise<void>>> readings;
    int stops = 0;
    HoverReader reader;
};

TEST_F(HoverReaderTest, MovesAreLookedAtNoMoreThanOncePerTwelveHundredthsOfASecond) {
    reader.start();
    pointer.move(kOnFirst);
    now += 50ms;
    pointer.move(kOnSecond);
    EXPECT_EQ(lookups, 1);
    now += 70ms; // 0.12 s after the first look: still too soon
    pointer.move(kOnSecond);
    EXPECT_EQ(lookups, 1);
    now += 1ms;
    pointer.move(kOnSecond);
    EXPECT_EQ(lookups, 2);
    EXPECT_EQ(reader.currentText(), kSecondText);
}

TEST_F(HoverReaderTest, AParagraphUnderThePointerGetsTheHighlightAndTheNoticeAboveIt) {
    reader.start();
    moveTo(kOnSecond);

    ASSERT_TRUE(panelsShown());
    EXPECT_EQ(reader.highlightPanel()->geometry(), kSecond.adjusted(-6, -3, 6, 3));
    const QRect notice = reader.noticePanel()->geometry();
    EXPECT_EQ(notice.size(), QSize(210, 30));
    EXPECT_EQ(notice.left(), kSecond.left() - 6);
    EXPECT_EQ(notice.top() + notice.height() + 7, kSecond.top());
    EXPECT_FALSE(reader.noticeModel().reading());

    moveTo(kNowhere);
    EXPECT_FALSE(reader.highlightPanel()->isVisible());
    EXPECT_FALSE(reader.noticePanel()->isVisible());
}

TEST_F(HoverReaderTest, TheNoticeGoesBelowAParagraphAtTheTopOfTheScreen) {
    const QRect top(50, 10, 400, 50);
    const QRect below = HoverReader::noticeFrame(top, kScreen);
    EXPECT_EQ(below.top(), top.top() + top.height() + 7);
    EXPECT_EQ(below.left(), 44);
    // Exactly room for it above: it stays there.
    const QRect roomAbove(50, 37, 400, 50);
    EXPECT_EQ(HoverReader::noticeFrame(roomAbove, kScreen).top(), 0);
    EXPECT_EQ(HoverReader::noticeFrame(QRect(50, 36, 400, 50), kScreen).top(), 93);
    // A screen whose available area starts lower (a panel at the top) flips it sooner.
    EXPECT_GT(HoverReader::noticeFrame(roomAbove, QRect(0, 32, 1024, 736)).top(), roomAbove.top());
    // Without a screen it stays above.
    EXPECT_EQ(HoverReader::noticeFrame(top, std::nullopt).top(), top.top() - 37);
}

TEST_F(HoverReaderTest, AClickWithinFourPointsReadsTheParagraphAndAWiderTravelDoesNot) {
    reader.start();
    moveTo(kOnFirst);
    pointer.press(kOnFirst);
    pointer.release(QPointF(kOnFirst) + QPointF(4, -4));
    EXPECT_EQ(spoken, QStringList{kFirstText});
    EXPECT_TRUE(reader.state().playing());
    EXPECT_TRUE(reader.noticeModel().reading());
    EXPECT_EQ(reader.readingFrame(), kFirst);
    endReading(0);

    const QPointF start(kOnFirst);
    for (const QPointF travel : {QPointF(4.5, 0), QPointF(0, -4.5)}) {
        pointer.press(start);
        pointer.release(start + travel);
    }
    EXPECT_EQ(spoken.size(), 1);
}

TEST_F(HoverReaderTest, ClicksOnLinksButtonsAndTheProgramsOwnWindowsAreLeftAlone) {
    reader.start();
    moveTo(kOnFirst);
    ownClick = true;
    pointer.click(kOnFirst);
    EXPECT_TRUE(spoken.isEmpty());

    ownClick = false;
    pointer.click(kOnFirst, /*ownWindow=*/true);
    EXPECT_TRUE(spoken.isEmpty());
    // A release without its press (the press went to the program) does nothing either.
    pointer.release(kOnFirst);
    EXPECT_TRUE(spoken.isEmpty());
}

TEST_F(HoverReaderTest, AClickWhileReadingOnlyStopsAndTheNextClickReadsAgain) {
    reader.start();
    moveTo(kOnFirst);
    pointer.click(kOnFirst);
    ASSERT_EQ(spoken.size(), 1);

    moveTo(kOnSecond); // ignored while reading: the highlight stays on the first
    EXPECT_EQ(reader.highlightPanel()->geometry(), HoverReader::highlightFrame(kFirst));
    pointer.click(kOnSecond);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(spoken.size(), 1);
    EXPECT_FALSE(reader.state().playing());
    EXPECT_FALSE(reader.noticeModel().reading());
    EXPECT_TRUE(panelsShown()); // they stay until the pointer moves

    // The stopped reading's end arrives late and must not touch the next one.
    pointer.click(kOnSecond);
    EXPECT_EQ(spoken, (QStringList{kFirstText, kSecondText}));
    endReading(0);
    EXPECT_TRUE(reader.state().playing());
    EXPECT_TRUE(panelsShown());
    endReading(1);
    EXPECT_FALSE(reader.state().playing());
    EXPECT_FALSE(panelsShown());
}

TEST_F(HoverReaderTest, AClickOutsideAnyParagraphStopsAReadingAndHidesThePanels) {
    reader.start();
    moveTo(kOnFirst);
    pointer.click(kOnFirst);
    pointer.click(kNowhere);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(reader.state().playing());
    EXPECT_FALSE(panelsShown());

    pointer.click(kNowhere); // nothing to stop now
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(spoken.size(), 1);
}

TEST_F(HoverReaderTest, StoppingDuringAReadingRemovesTheWatchAtOnceAndLeavesThePanelsUntilItEnds) {
    reader.start();
    reader.start();
    EXPECT_EQ(pointer.watcherCount(), 1u);
    moveTo(kOnFirst);
    pointer.click(kOnFirst);

    reader.stop();
    EXPECT_FALSE(reader.isStarted());
    EXPECT_EQ(pointer.watcherCount(), 0u);
    EXPECT_TRUE(panelsShown());
    EXPECT_EQ(stops, 0); // the reading goes on

    endReading(0);
    EXPECT_FALSE(panelsShown());
    EXPECT_FALSE(reader.state().playing());
}

TEST_F(HoverReaderTest, StoppingWhenIdleHidesThePanels) {
    reader.start();
    moveTo(kOnFirst);
    ASSERT_TRUE(panelsShown());
    reader.stop();
    EXPECT_FALSE(panelsShown());
    pointer.move(kOnSecond);
    EXPECT_EQ(lookups, 1);
}

TEST_F(HoverReaderTest, APointerThatCannotBeWatchedLeavesTheReaderStopped) {
    pointer.refuse = true;
    reader.start();
    EXPECT_FALSE(reader.isStarted());
}

TEST_F(HoverReaderTest, ThePanelsLetThePointerThroughAndNeverTakeTheFocus) {
    reader.start();
    moveTo(kOnFirst);
    for (QWidget* panel : {reader.highlightPanel(), reader.noticePanel()}) {
        const Qt::WindowFlags flags = panel->windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::WindowTransparentForInput));
        EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_FALSE(panel->isActiveWindow());
    }
}

} // namespace
