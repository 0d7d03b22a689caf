#include "learning/SelectionCleanup.h"

#include "cleanup/CleanupEngine.h"
#include "engine/LlmServer.h"
#include "insertion/AXText.h"
#include "insertion/PasteService.h"
#include "platform/linux/Cld2LanguageDetector.h"
#include "state/AppState.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QImage>
#include <QPromise>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kFiller = QStringLiteral("so um I think we should uh meet on Monday");

// `count` user-perceived characters, emoji among them.
QString charactersOf(int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += i % 5 == 0 ? QStringLiteral("👍🏽") : QStringLiteral("a");
    return text;
}

class SelectionCleanupTest : public testing::Test {
protected:
    SelectionCleanupTest()
        : m_previousSchedule(PasteService::setScheduler([](std::chrono::milliseconds, std::function<void()>) {})) {
        fakes.accessibility.focused = field;
        select(kFiller);
    }
    ~SelectionCleanupTest() override { PasteService::setScheduler(std::move(m_previousSchedule)); }

    // The field holds `text` between other words, with `text` selected.
    void select(const QString& text) {
        field->value = QStringLiteral("Notes: ") + text + QStringLiteral(" end");
        field->selection = AXText::Range{7, text.size()};
    }

    QString pasted() const {
        return fakes.pasteboard.items.isEmpty() ? QString()
                                                : QString::fromUtf8(fakes.pasteboard.items.front().front().second);
    }

    QFuture<QString> cleanLater(const QString&) {
        promise = std::make_unique<QPromise<QString>>();
        promise->start();
        return promise->future();
    }

    void answer(const QString& cleaned) {
        promise->addResult(cleaned);
        promise->finish();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    static void save(SelectionChipView& view, const QString& name) {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        Artifacts::save(image, name + QStringLiteral(".png"));
        RenderCheck::expectReadable(view, name);
    }

    ScopedFakePlatform fakes;
    std::shared_ptr<FakeElement> field = std::make_shared<FakeElement>();
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    AppState state;
    bool reading = false;
    std::unique_ptr<QPromise<QString>> promise;
    CleanupEngine cleanup{defaults, LlmServer::shared()};
    SelectionCleanup chip{{defaults, state, cleanup, [this] { return reading; },
                           [this](const QString& text) { return cleanLater(text); }},
                          // "Cleaned" stays long enough to be seen on a busy machine.
                          {1ms, 60ms, 300ms}};

private:
    PasteService::Schedule m_previousSchedule;
};

TEST_F(SelectionCleanupTest, OffersSelectionsOf25To8000Characters) {
    const std::pair<int, bool> cases[] = {{24, false}, {25, true}, {8000, true}, {8001, false}};
    for (const auto& [count, offered] : cases) {
        select(charactersOf(count));
        chip.poll();
        EXPECT_EQ(chip.isShown(), offered) << count;
        EXPECT_EQ(chip.shownFor().has_value() && chip.shownFor() == charactersOf(count), offered) << count;
    }
}

TEST_F(SelectionCleanupTest, NothingIsOfferedWhileSomethingElseIsGoingOn) {
    const std::function<void(bool)> situations[] = {
        [&](bool on) { defaults.set(QStringLiteral("selectionChipEnabled"), !on); },
        [&](bool on) { fakes.accessibility.trusted = !on; },
        [&](bool on) { state.setIsRecording(on); },
        [&](bool on) { state.setBubbleMode(on ? BubbleMode::Result : BubbleMode::Hidden); },
        [&](bool on) { reading = on; },
        [&](bool on) { field->rangeSettable = !on; },
    };
    int index = 0;
    for (const auto& situation : situations) {
        situation(true);
        chip.poll();
        EXPECT_FALSE(chip.isShown()) << index;
        situation(false);
        ++index;
    }
    defaults.remove(QStringLiteral("selectionChipEnabled"));
    chip.poll();
    ASSERT_TRUE(chip.isShown());
    // A shown chip goes when the selection turns read-only, without counting as dismissed.
    field->rangeSettable = false;
    chip.poll();
    EXPECT_FALSE(chip.isShown());
    EXPECT_FALSE(chip.dismissedFor());
}

TEST_F(SelectionCleanupTest, ADismissedTextStaysDismissedUntilAnotherIs) {
    ASSERT_TRUE(fakes.hotkeys.inputWatchers.isEmpty());
    chip.start();
    chip.start();
    ASSERT_EQ(fakes.hotkeys.inputWatchers.size(), 1);

    fakes.hotkeys.input(Hotkeys::InputEvent::LeftButtonUp);
    EXPECT_TRUE(QTest::qWaitFor([&] { return chip.isShown(); }, 1000));
    fakes.hotkeys.input(Hotkeys::InputEvent::Scroll);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chip.isShown(); }, 1000));
    EXPECT_EQ(chip.dismissedFor(), kFiller);

    fakes.hotkeys.input(Hotkeys::InputEvent::KeyUp);
    QTest::qWait(20);
    EXPECT_FALSE(chip.isShown());

    const QString other = QStringLiteral("another selection of some forty characters");
    select(other);
    fakes.hotkeys.input(Hotkeys::InputEvent::KeyUp);
    EXPECT_TRUE(QTest::qWaitFor([&] { return chip.isShown(); }, 1000));
    fakes.hotkeys.input(Hotkeys::InputEvent::ActiveWindowChanged);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chip.isShown(); }, 1000));
    EXPECT_EQ(chip.dismissedFor(), other);

    select(kFiller);
    chip.poll();
    EXPECT_TRUE(chip.isShown());
}

TEST_F(SelectionCleanupTest, AnOfferNotTakenExpiresAsDismissed) {
    chip.poll();
    ASSERT_TRUE(chip.isShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chip.isShown(); }, 1000));
    EXPECT_EQ(chip.dismissedFor(), kFiller);
}

TEST_F(SelectionCleanupTest, ACleanReplacesTheSelectionThenReportsDone) {
    chip.poll();
    save(*chip.panel(), QStringLiteral("selection-chip-idle"));
    EXPECT_EQ(chip.panel()->text(), "Clean up");
    chip.cleanSelection();
    EXPECT_EQ(chip.chipState(), SelectionCleanup::ChipState::Cleaning);
    EXPECT_EQ(chip.panel()->text(), "Cleaning");
    save(*chip.panel(), QStringLiteral("selection-chip-cleaning"));
    QTest::qWait(100);
    EXPECT_TRUE(chip.isShown()) << "the offer's expiry must not end a cleanup";

    answer(QStringLiteral("I think we should meet on Monday."));
    EXPECT_EQ(chip.chipState(), SelectionCleanup::ChipState::Done);
    EXPECT_EQ(chip.panel()->text(), "Cleaned");
    save(*chip.panel(), QStringLiteral("selection-chip-done"));
    EXPECT_EQ(fakes.keySynth.posted, QStringList{"paste"});
    // The selection is a fragment: the cleanup's full stop is not pasted.
    EXPECT_EQ(pasted(), QStringLiteral("I think we should meet on Monday"));

    EXPECT_TRUE(QTest::qWaitFor([&] { return !chip.isShown(); }, 1000));
    EXPECT_FALSE(chip.dismissedFor()) << "hiding after done does not dismiss";
}

TEST_F(SelectionCleanupTest, AnUnchangedCleanPastesNothingAndAnEmptyOneIsNotDone) {
    chip.poll();
    chip.cleanSelection();
    answer(kFiller);
    EXPECT_EQ(chip.chipState(), SelectionCleanup::ChipState::Done);
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());

    EXPECT_TRUE(QTest::qWaitFor([&] { return !chip.isShown(); }, 5000));
    select(QStringLiteral("another selection of some forty characters"));
    chip.poll();
    chip.cleanSelection();
    answer(QString());
    EXPECT_FALSE(chip.isShown());
    EXPECT_EQ(chip.chipState(), SelectionCleanup::ChipState::Idle);
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
}

TEST_F(SelectionCleanupTest, TheCleanedTextKeepsTheSelectionsEdgesAndAFragmentItsCase) {
    const std::pair<QString, QString> cases[] = {
        // A fragment: its own case, no full stop, its edges as they were.
        {"  um we should uh meet on monday after lunch\n", "  we should meet on monday after lunch\n"},
        {"um I think we should uh meet on monday after lunch", "I think we should meet on monday after lunch"},
        // A sentence, or text that starts with a capital, is cleaned as a whole.
        {"\tso um we should uh meet on Monday after lunch.\n\n", "\tSo we should meet on Monday after lunch.\n\n"},
        {"Um we should uh meet on monday after lunch ", "We should meet on monday after lunch. "},
        // The pronoun is a capital wherever it stands, in English only; the
        // numeral "(i)" is none. (The doubled blanks make the cleanup change
        // something, so that it pastes.)
        {"i went home and i ate the rest of it", "I went home and I ate the rest of it"},
        {"Ho visto i ragazzi  e i loro amici ieri sera.", "Ho visto i ragazzi e i loro amici ieri sera."},
        {"the options are  (i) the first one and (ii) the second",
         "the options are (i) the first one and (ii) the second"},
    };
    // The language detector every user gets.
    Cld2LanguageDetector detector;
    Platform services = Platform::current();
    services.languageDetector = &detector;
    const Platform previous = Platform::install(services);
    for (const auto& [selected, replacement] : cases) {
        select(selected);
        // The cleanup every user gets: the rules, as no model is running.
        SelectionCleanup real{{defaults, state, cleanup, {}, {}}, {1ms, 60ms, 300ms}};
        real.poll();
        ASSERT_TRUE(real.isShown()) << selected.toStdString();
        real.cleanSelection();
        EXPECT_TRUE(QTest::qWaitFor([&] { return real.chipState() == SelectionCleanup::ChipState::Done; }, 5000));
        EXPECT_EQ(pasted().toStdString(), replacement.toStdString()) << selected.toStdString();
        fakes.pasteboard.targetFetches();
    }
    Platform::install(previous);
}

TEST_F(SelectionCleanupTest, AChangedSelectionIsNeverPastedOver) {
    chip.poll();
    select(QStringLiteral("the user picked something else meanwhile"));
    chip.cleanSelection();
    EXPECT_FALSE(chip.isShown());
    EXPECT_FALSE(promise);

    chip.poll();
    chip.cleanSelection();
    field->selection = AXText::Range{0, 3};
    answer(QStringLiteral("Cleaned text."));
    EXPECT_FALSE(chip.isShown());
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
}

TEST(SelectionChipPlacementTest, SitsAboveTheSelectionEndUnlessThereIsNoRoom) {
    const QRectF visible(0, 30, 1000, 700);
    const QSizeF size(132, 40);
    // Plenty of room: above, right edge 20 past the selection's.
    const QRectF selection(100, 300, 400, 20);
    const QPointF above = SelectionCleanup::chipOrigin(selection, size, visible);
    EXPECT_DOUBLE_EQ(above.y() + size.height(), selection.top() - 14);
    EXPECT_DOUBLE_EQ(above.x() + size.width(), selection.right() + 20);
    // Near the top: below the selection.
    const QRectF high(100, 60, 400, 20);
    EXPECT_DOUBLE_EQ(SelectionCleanup::chipOrigin(high, size, visible).y(), high.bottom() + 6);
    // Near the right edge: 4 inside.
    const QRectF right(700, 300, 295, 20);
    EXPECT_DOUBLE_EQ(SelectionCleanup::chipOrigin(right, size, visible).x() + size.width(), visible.right() - 4);
    // Near the left edge: 4 inside.
    const QRectF left(0, 300, 20, 20);
    EXPECT_DOUBLE_EQ(SelectionCleanup::chipOrigin(left, size, visible).x(), visible.left() + 4);
    // An area lower than the chip: the top bound wins.
    const QRectF strip(0, 30, 1000, 30);
    EXPECT_DOUBLE_EQ(SelectionCleanup::chipOrigin(QRectF(100, 40, 50, 10), size, strip).y(), strip.top() + 4);
    // Without a rectangle: up and to the right of the pointer, clamped likewise.
    const QPointF pointer = SelectionCleanup::pointerOrigin({500, 400}, size, visible);
    EXPECT_EQ(pointer, QPointF(512, 400 - 14 - 40));
    EXPECT_EQ(SelectionCleanup::pointerOrigin({990, 35}, size, visible), QPointF(1000 - 132 - 4, 34));
}

} // namespace
