#include "learning/WordSwapper.h"

#include "insertion/PasteService.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const QString kTarget = QStringLiteral("Editor");

class WordSwapperTest : public testing::Test {
protected:
    WordSwapperTest()
        : m_previousSchedule(PasteService::setScheduler([](std::chrono::milliseconds, std::function<void()>) {})) {
        state.setTargetAppName(kTarget);
        fakes.workspace.frontmost = Workspace::Application{kTarget, QStringLiteral("editor"), {}, 42};
        fakes.accessibility.focused = std::make_shared<FakeElement>();
    }
    ~WordSwapperTest() override { PasteService::setScheduler(std::move(m_previousSchedule)); }

    // Publishes `text` as just inserted, with the caret after it in the target.
    void inserted(const QString& text) {
        state.setFinalText(text);
        fakes.accessibility.focused->value = QStringLiteral("Dear all, ") + text;
        fakes.accessibility.focused->selection = AXText::Range{fakes.accessibility.focused->value->size(), 0};
    }

    QString pasted() const {
        return fakes.pasteboard.items.isEmpty() ? QString()
                                                : QString::fromUtf8(fakes.pasteboard.items.front().front().second);
    }

    ScopedFakePlatform fakes;
    AppState state;
    QStringList words{"Jenna", "Stephen"};
    WordSwapper swapper{state, [this] { return words; }};

private:
    PasteService::Schedule m_previousSchedule;
};

TEST_F(WordSwapperTest, SwapsCountCharactersFromTheStartOfTheText) {
    const auto swaps = swapper.findSwaps(QStringLiteral("👩‍👩‍👧 Gina and Steven"));
    ASSERT_EQ(swaps.size(), 2);
    EXPECT_EQ(swaps[0].word, "Gina");
    EXPECT_EQ(swaps[0].start, 2);
    EXPECT_EQ(swaps[0].length, 4);
    EXPECT_EQ(swaps[1].start, 11);
    EXPECT_EQ(swaps[1].options, QStringList{"Stephen"});
    EXPECT_NE(swaps[0].id, swaps[1].id);
}

TEST_F(WordSwapperTest, NoWordsOrNoTextGiveNoSwaps) {
    EXPECT_TRUE(swapper.findSwaps(QString()).isEmpty());
    words.clear();
    EXPECT_TRUE(swapper.findSwaps(QStringLiteral("Gina")).isEmpty());
}

TEST_F(WordSwapperTest, AppliedNeedsTheWordAtItsPlace) {
    const QString text = QStringLiteral("😀 ask Gina now");
    const AppState::WordSwap swap{{}, QStringLiteral("Gina"), {}, 6, 4};
    EXPECT_EQ(WordSwapper::applied(swap, QStringLiteral("Jenna"), text), QStringLiteral("😀 ask Jenna now"));
    EXPECT_FALSE(WordSwapper::applied(swap, QStringLiteral("Jenna"), QStringLiteral("😀 ask Tina now")));
    EXPECT_FALSE(WordSwapper::applied({{}, "Gina", {}, 12, 4}, "Jenna", text));
    EXPECT_FALSE(WordSwapper::applied({{}, "Gina", {}, -1, 4}, "Jenna", text));
    EXPECT_FALSE(WordSwapper::applied({{}, "", {}, 0, 0}, "Jenna", text));
}

TEST_F(WordSwapperTest, TakeRetypesTheWholeInsertionWhenTheTargetIsStillInFront) {
    inserted(QStringLiteral("Ask Gina 😀"));
    state.setWordSwaps(swapper.findSwaps(state.finalText()));
    ASSERT_EQ(state.wordSwaps().size(), 1);

    swapper.take(state.wordSwaps().front(), QStringLiteral("Jenna"));

    EXPECT_EQ(state.finalText(), QStringLiteral("Ask Jenna 😀"));
    EXPECT_TRUE(state.wordSwaps().isEmpty());
    EXPECT_EQ(fakes.keySynth.posted, (QStringList{"backspace×10", "paste"}));
    EXPECT_EQ(pasted(), QStringLiteral("Ask Jenna 😀"));
}

TEST_F(WordSwapperTest, TakeOnlyChangesThePublishedTextWhenTheTargetCannotBeTouched) {
    const AppState::WordSwap swap{{}, QStringLiteral("Gina"), {QStringLiteral("Jenna")}, 4, 4};
    const auto takeWith = [&](const std::function<void()>& situation) {
        inserted(QStringLiteral("Ask Gina"));
        state.setWordSwaps({swap});
        situation();
        swapper.take(swap, QStringLiteral("Jenna"));
        EXPECT_EQ(state.finalText(), QStringLiteral("Ask Jenna"));
        EXPECT_TRUE(state.wordSwaps().isEmpty());
        EXPECT_TRUE(fakes.keySynth.posted.isEmpty()) << fakes.keySynth.posted.join(',').toStdString();
    };
    // Another application in front.
    takeWith([&] { fakes.workspace.frontmost->name = QStringLiteral("Mail"); });
    // No application in front at all.
    takeWith([&] { fakes.workspace.frontmost.reset(); });
    fakes.workspace.frontmost = Workspace::Application{kTarget, {}, {}, 42};
    // Keys cannot be posted.
    takeWith([&] { fakes.keySynth.available = false; });
    fakes.keySynth.available = true;
    // The caret moved: the text before it no longer ends with the insertion.
    takeWith([&] { fakes.accessibility.focused->selection = AXText::Range{3, 0}; });
}

TEST_F(WordSwapperTest, ASwapThatNoLongerFitsOnlyClearsTheOffers) {
    inserted(QStringLiteral("Ask Tina"));
    const AppState::WordSwap swap{{}, QStringLiteral("Gina"), {QStringLiteral("Jenna")}, 4, 4};
    state.setWordSwaps({swap});
    swapper.take(swap, QStringLiteral("Jenna"));
    EXPECT_EQ(state.finalText(), QStringLiteral("Ask Tina"));
    EXPECT_TRUE(state.wordSwaps().isEmpty());
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
}

TEST_F(WordSwapperTest, TakeRetypesWhenTheTextCannotBeReadOrTheTargetIsUnknown) {
    const std::function<void()> situations[] = {
        [&] {
            state.setTargetAppName(QString());
            fakes.workspace.frontmost.reset();
        },
        [&] {
            state.setTargetAppName(kTarget);
            fakes.workspace.frontmost = Workspace::Application{kTarget, QStringLiteral("editor"), {}, 42};
            fakes.accessibility.focused.reset();
        },
    };
    for (const auto& situation : situations) {
        fakes.keySynth.posted.clear();
        inserted(QStringLiteral("Ask Gina"));
        situation();
        swapper.take({{}, QStringLiteral("Gina"), {}, 4, 4}, QStringLiteral("Jenna"));
        EXPECT_EQ(fakes.keySynth.posted, (QStringList{"backspace×8", "paste"}));
    }
}

} // namespace
