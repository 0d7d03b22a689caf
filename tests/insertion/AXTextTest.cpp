#include "insertion/AXText.h"

#include "insertion/PasteService.h"
#include "support/Defaults.h"

#include "support/FakePlatform.h"

#include <gtest/gtest.h>

// Shows a role by its portable name in failure messages.
void PrintTo(AccessibleRole role, std::ostream* out) { *out << toString(role).toStdString(); }

namespace {

class AXTextTest : public testing::Test {
protected:
    AXTextTest() { fakes.accessibility.focused = element; }

    void focusText(const QString& value, qint64 caret, qint64 selected = 0) {
        element->value = value;
        element->selection = AXText::Range{caret, selected};
    }

    ScopedFakePlatform fakes;
    std::shared_ptr<FakeElement> element = std::make_shared<FakeElement>();
};

TEST_F(AXTextTest, TextBeforeCaretTakesUpToMaxLengthUnitsBeforeTheSelectionStartOrNothing) {
    focusText(QStringLiteral("0123456789"), 10);
    EXPECT_EQ(AXText::textBeforeCaret(4), QStringLiteral("6789"));
    EXPECT_EQ(AXText::textBeforeCaret(200), QStringLiteral("0123456789"));

    focusText(QStringLiteral("0123456789"), 6, 3); // the selection's length is not used
    EXPECT_EQ(AXText::textBeforeCaret(3), QStringLiteral("345"));

    focusText(QStringLiteral("hello"), 0);
    EXPECT_EQ(AXText::textBeforeCaret(4), std::nullopt); // nothing, not ""

    element->value.reset();
    element->selection = AXText::Range{3, 0};
    EXPECT_EQ(AXText::textBeforeCaret(4), std::nullopt);

    focusText(QStringLiteral("abc"), 7); // a caret beyond the text
    EXPECT_EQ(AXText::textBeforeCaret(4), std::nullopt);

    fakes.accessibility.focused.reset();
    EXPECT_EQ(AXText::textBeforeCaret(4), std::nullopt);
}

TEST_F(AXTextTest, TextBeforeCaretNeverSplitsACharacterAndReadsOnlyASlice) {
    // "a👋b": the hand is a surrogate pair at units 1-2.
    focusText(QStringLiteral("a\U0001F44Bb"), 4);
    EXPECT_EQ(AXText::textBeforeCaret(2), std::nullopt);
    EXPECT_EQ(AXText::textBeforeCaret(3), QStringLiteral("\U0001F44Bb"));

    // A caret inside the pair.
    focusText(QStringLiteral("a\U0001F44Bb"), 2);
    EXPECT_EQ(AXText::textBeforeCaret(4), std::nullopt);

    // "é" written as e + combining acute: the start may not fall between them.
    focusText(QStringLiteral("xe\u0301y"), 4);
    EXPECT_EQ(AXText::textBeforeCaret(2), std::nullopt);
    EXPECT_EQ(AXText::textBeforeCaret(3), QStringLiteral("e\u0301y"));

    focusText(QString(1'000'000, QLatin1Char('w')) + QStringLiteral("tail"), 1'000'004);
    EXPECT_EQ(AXText::textBeforeCaret(200)->right(4), QStringLiteral("tail"));
    EXPECT_LT(element->lastTextRead.length, 1000);
}

TEST_F(AXTextTest, StringInRangeChecksTheRangeBeforeAsking) {
    focusText(QStringLiteral("hello world"), 0);
    EXPECT_EQ(AXText::string({6, 5}), QStringLiteral("world"));
    EXPECT_EQ(AXText::string({6, 50}), std::nullopt);
    const int reads = element->textReads;
    EXPECT_EQ(AXText::string({3, 0}), std::nullopt);
    EXPECT_EQ(AXText::string({-1, 2}), std::nullopt);
    EXPECT_EQ(element->textReads, reads);
}

TEST_F(AXTextTest, SelectedTextIsNeverReadFromAPasswordField) {
    focusText(QStringLiteral("secret words"), 0, 6);
    EXPECT_EQ(AXText::selectedText(), QStringLiteral("secret"));
    element->elementRole = AccessibleRole::SecureTextField;
    EXPECT_EQ(AXText::selectedText(), std::nullopt);

    element->elementRole = AccessibleRole::TextArea;
    element->selection = AXText::Range{3, 0};
    EXPECT_EQ(AXText::selectedText(), std::nullopt); // empty selection
}

TEST_F(AXTextTest, EditabilityNeedsASettableRangeThenASettableValueOrAnEditableRole) {
    element->rangeSettable = false;
    EXPECT_FALSE(AXText::focusedIsEditable());

    element->rangeSettable = true;
    element->valueSettable = true;
    element->elementRole = AccessibleRole::StaticText;
    EXPECT_TRUE(AXText::focusedIsEditable());

    element->valueSettable = false;
    EXPECT_FALSE(AXText::focusedIsEditable());
    for (const AccessibleRole role : {AccessibleRole::TextField, AccessibleRole::TextArea, AccessibleRole::ComboBox}) {
        element->elementRole = role;
        EXPECT_TRUE(AXText::focusedIsEditable()) << toString(role).toStdString();
    }
    element->elementRole = std::nullopt;
    EXPECT_FALSE(AXText::focusedIsEditable());

    fakes.accessibility.focused.reset();
    EXPECT_FALSE(AXText::focusedIsEditable());
    EXPECT_EQ(AXText::roleOf(nullptr), std::nullopt);
}

TEST_F(AXTextTest, SetSelectedRangeIsTrueOnlyWhenTheReadBackMatches) {
    focusText(QStringLiteral("hello world"), 0);
    EXPECT_TRUE(AXText::setSelectedRange(6, 5));
    EXPECT_EQ(AXText::selectedRange(), (AXText::Range{6, 5}));

    element->moveSelectionTo = AXText::Range{11, 0}; // accepted, but the caret went elsewhere
    EXPECT_FALSE(AXText::setSelectedRange(2, 3));

    element->refuseSelection = true;
    EXPECT_FALSE(AXText::setSelectedRange(2, 3));
}

TEST_F(AXTextTest, SelectionRectNeedsAHeight) {
    focusText(QStringLiteral("hello"), 5);
    element->selectionBounds = QRect(100, 200, 0, 18); // a caret: zero width is fine
    EXPECT_EQ(AXText::selectionScreenRect(), QRect(100, 200, 0, 18));
    element->selectionBounds = QRect(100, 200, 0, 0);
    EXPECT_EQ(AXText::selectionScreenRect(), std::nullopt);
}

TEST_F(AXTextTest, WindowRectIsTheFrontmostApplicationsFocusedWindowWithAnArea) {
    fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), QStringLiteral("editor"), {}, 4242};
    fakes.accessibility.windowFrames[4242] = QRect(10, 20, 640, 480);
    EXPECT_EQ(AXText::focusedWindowRect(), QRect(10, 20, 640, 480));

    fakes.accessibility.windowFrames[4242] = QRect(10, 20, 640, 0);
    EXPECT_EQ(AXText::focusedWindowRect(), std::nullopt);

    fakes.workspace.frontmost.reset();
    EXPECT_EQ(AXText::focusedWindowRect(), std::nullopt);
}

// A toolkit fetching the pasted text from us answers nothing else until it has
// it, and a query from our thread would hold up the answer it waits for.
TEST_F(AXTextTest, TheTargetOfAPasteIsNotAskedAnythingUntilItFetchedTheText) {
    fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), QStringLiteral("editor"), {}, 4242};
    fakes.accessibility.windowFrames[4242] = QRect(10, 20, 640, 480);
    focusText(QStringLiteral("Dear Sam,"), 9);
    Defaults::shared().set(QStringLiteral("keepDictationOnClipboard"), true);

    PasteService::paste(QStringLiteral(" thanks"));
    EXPECT_EQ(fakes.keySynth.posted, QStringList{QStringLiteral("paste")});
    EXPECT_EQ(AXText::focusedElement(), nullptr);
    EXPECT_EQ(AXText::textBeforeCaret(4), std::nullopt);
    EXPECT_EQ(AXText::focusedWindowRect(), std::nullopt);

    fakes.pasteboard.targetFetches();
    EXPECT_EQ(AXText::textBeforeCaret(4), QStringLiteral("Sam,"));
    EXPECT_EQ(AXText::focusedWindowRect(), QRect(10, 20, 640, 480));

    // Another application taking the clipboard ends the wait as well.
    PasteService::paste(QStringLiteral(" again"));
    EXPECT_EQ(AXText::focusedElement(), nullptr);
    fakes.pasteboard.otherAppCopies(QStringLiteral("elsewhere"));
    EXPECT_EQ(AXText::textBeforeCaret(4), QStringLiteral("Sam,"));
    Defaults::shared().remove(QStringLiteral("keepDictationOnClipboard"));
}

} // namespace
