// The checks on a model's answer: what is repaired, and what sends the clean-up
// on to the next path.
#include "cleanup/CleanupEngine.h"
#include "cleanup/CleanupPatterns.h"

#include <gtest/gtest.h>

namespace {

std::string s(const QString& text) { return text.toStdString(); }

TEST(CleanupGuardsTest, EveryBuiltInPatternCompiles) {
    for (const auto& [name, pattern] : CleanupPatterns::all())
        EXPECT_TRUE(pattern.isValid()) << s(name) << ": " << s(pattern.errorText());
}

TEST(CleanupGuardsTest, LengthCapGrowsWithTheTranscript) {
    // Below 40 the cap is 40 characters; above it, one and a half times the transcript.
    const QString ten = QStringLiteral("see you so");
    ASSERT_EQ(ten.size(), 10);
    EXPECT_TRUE(CleanupEngine::preservesOriginal(ten, ten + QString(30, QLatin1Char('!'))));
    EXPECT_FALSE(CleanupEngine::preservesOriginal(ten, ten + QString(31, QLatin1Char('!'))));

    const QString hundred = QStringLiteral("word ").repeated(19) + QStringLiteral("words");
    ASSERT_EQ(hundred.size(), 100);
    EXPECT_TRUE(CleanupEngine::preservesOriginal(hundred, hundred + QString(50, QLatin1Char('!'))));
    EXPECT_FALSE(CleanupEngine::preservesOriginal(hundred, hundred + QString(51, QLatin1Char('!'))));
}

TEST(CleanupGuardsTest, AQuestionMustStayAQuestion) {
    EXPECT_FALSE(CleanupEngine::preservesOriginal(QStringLiteral("what time is it"), QStringLiteral("It is three.")));
    EXPECT_TRUE(
        CleanupEngine::preservesOriginal(QStringLiteral("what time is it"), QStringLiteral("What time is it?")));
    EXPECT_FALSE(CleanupEngine::preservesOriginal(QStringLiteral("It is late?"), QStringLiteral("It is late.")));
    EXPECT_TRUE(CleanupEngine::preservesOriginal(QStringLiteral("send the file"), QStringLiteral("Send the file.")));
}

TEST(CleanupGuardsTest, AnAnswerThatDropsContentIsRejected) {
    const QString spoken = QStringLiteral("please send the quarterly report to the finance team before friday");
    EXPECT_TRUE(CleanupEngine::preservesOriginal(
        spoken, QStringLiteral("Please send the quarterly report to finance before Friday.")));
    EXPECT_FALSE(CleanupEngine::preservesOriginal(spoken, QStringLiteral("Please send the report.")));
    EXPECT_FALSE(CleanupEngine::acceptedModelText(spoken, QStringLiteral("Sure, I can help with that.")).has_value());

    // Numbers and short words: any answer adding at most two new words passes.
    EXPECT_TRUE(CleanupEngine::preservesOriginal(QStringLiteral("twenty five"), QStringLiteral("25 apples total")));
    EXPECT_FALSE(
        CleanupEngine::preservesOriginal(QStringLiteral("twenty five"), QStringLiteral("25 apples total today")));
}

TEST(CleanupGuardsTest, StructuredAnswersAndListsAreRecognised) {
    EXPECT_TRUE(CleanupEngine::looksStructured(QStringLiteral("[{\"a\": 1}]")));
    EXPECT_TRUE(CleanupEngine::looksStructured(QStringLiteral("{\n  \"cleaned\" : \"hi\"\n}")));
    EXPECT_TRUE(CleanupEngine::looksStructured(QStringLiteral("- Milk\n- Eggs")));
    EXPECT_TRUE(CleanupEngine::looksStructured(QStringLiteral("Groceries:\n1. Milk\n2. Eggs")));
    EXPECT_TRUE(CleanupEngine::looksStructured(QStringLiteral("# Meeting notes\nWe agreed.")));
    EXPECT_TRUE(CleanupEngine::looksStructured(QStringLiteral("```\nls -la\n```")));
    EXPECT_FALSE(CleanupEngine::looksStructured(QStringLiteral("We need milk, eggs and bread.")));
    EXPECT_FALSE(CleanupEngine::looksStructured(QStringLiteral("[laughs] Okay, that was funny.")));
    EXPECT_FALSE(CleanupEngine::looksStructured(QStringLiteral("It costs $5 - a bargain.")));

    const QString spoken = QStringLiteral("we need milk eggs and bread from the store");
    EXPECT_FALSE(CleanupEngine::acceptedModelText(spoken, QStringLiteral("- Milk\n- Eggs\n- Bread")).has_value());
    EXPECT_EQ(CleanupEngine::acceptedModelText(spoken, QStringLiteral("We need milk, eggs and bread from the store.")),
              QStringLiteral("We need milk, eggs and bread from the store."));
}

TEST(CleanupGuardsTest, InventedPlaceholdersGoAndDictatedOnesStay) {
    EXPECT_EQ(s(CleanupEngine::stripInventedPlaceholders(QStringLiteral("dear thanks for the update"),
                                                         QStringLiteral("Dear [Name], thanks for the update."))),
              "Dear, thanks for the update.");
    EXPECT_EQ(s(CleanupEngine::stripInventedPlaceholders(QStringLiteral("meet on the date"),
                                                         QStringLiteral("Meet on (insert date here) the date."))),
              "Meet on the date.");
    // The speaker said "[laughs]": it and every later bracket stay.
    EXPECT_EQ(s(CleanupEngine::stripInventedPlaceholders(QStringLiteral("[laughs] that was good"),
                                                         QStringLiteral("[laughs] That was [really] good."))),
              "[laughs] That was [really] good.");
    // A removal that would leave nothing returns the answer as it was.
    EXPECT_EQ(s(CleanupEngine::stripInventedPlaceholders(QStringLiteral("x"), QStringLiteral("[Your text here]"))),
              "[Your text here]");
    EXPECT_EQ(s(CleanupEngine::stripInventedPlaceholders(QStringLiteral("a"), QStringLiteral("no brackets  here"))),
              "no brackets  here");

    const auto accepted = CleanupEngine::acceptedModelText(QStringLiteral("hi Sam the invoice is attached"),
                                                           QStringLiteral("Hi [Recipient], the invoice is attached."));
    EXPECT_EQ(accepted, QStringLiteral("Hi, the invoice is attached."));
}

TEST(CleanupGuardsTest, ModelArtifactsAreStripped) {
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("<out>Hi</out>"))), "Hi");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("<out>A</out>"))), "<out>A</out>");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("Hello there.<|im_end|>\nuser: more"))),
              "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("<think>The user wants…</think>\nHello there."))),
              "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("<|im_start|>assistant\nHello there."))),
              "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("```text\nHello there.\n```"))), "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("[INST]Hello there.[/INST]</s>"))), "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(
                  QStringLiteral("Hello there.\n\nNote: I removed the filler words and fixed the punctuation."))),
              "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("Hello there. (No changes needed.)"))),
              "Hello there.");
    // A dictated sentence that starts with "Note" is not a remark.
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("Note that the office is closed Friday."))),
              "Note that the office is closed Friday.");
}

TEST(CleanupGuardsTest, JsonAnswersAreUnwrapped) {
    EXPECT_EQ(s(CleanupEngine::stripModelArtifacts(QStringLiteral("{\"text\": \"Hello there.\"}"))), "Hello there.");
    EXPECT_EQ(CleanupEngine::unwrapJSONPayload(QStringLiteral("[{\"content\": \"One.\"}, {\"output\": \" Two. \"}]")),
              QStringLiteral("One. Two."));
    EXPECT_EQ(CleanupEngine::unwrapJSONPayload(
                  QStringLiteral("{\"name\": \"clean\", \"arguments\": {\"cleaned\": \"Hi.\"}}")),
              QStringLiteral("Hi."));
    // "text" wins over a later key whatever their order in the object.
    EXPECT_EQ(CleanupEngine::unwrapJSONPayload(QStringLiteral("{\"output\": \"B\", \"text\": \"A\"}")),
              QStringLiteral("A"));
    EXPECT_FALSE(CleanupEngine::unwrapJSONPayload(QStringLiteral("{\"foo\": \"x\"}")).has_value());
    EXPECT_FALSE(CleanupEngine::unwrapJSONPayload(QStringLiteral("Hello {\"text\": \"x\"}")).has_value());
    EXPECT_FALSE(CleanupEngine::unwrapJSONPayload(QStringLiteral("{broken")).has_value());

    const QString unknown = QStringLiteral("{\"foo\": \"We meet at noon.\"}");
    EXPECT_EQ(CleanupEngine::stripModelArtifacts(unknown), unknown);
    EXPECT_FALSE(CleanupEngine::acceptedModelText(QStringLiteral("we meet at noon"), unknown).has_value());
}

TEST(CleanupGuardsTest, OneLeadingLabelIsRemoved) {
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Here is the cleaned transcript: Hello there."))),
              "Hello there.");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Transcript: ok"))), "ok");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Transcript: x"))), "Transcript: x");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("The transcript – ok then"))), "ok then");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Note: transcript: hi"))), "Note: transcript: hi");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Corrected text: We ship Monday."))),
              "We ship Monday.");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Sure! Here's the cleaned-up text: We ship Monday."))),
              "We ship Monday.");
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Cleaned transcript: Transcript: hi"))),
              "Transcript: hi");
    // Dictated text that merely starts with a colon phrase keeps it.
    EXPECT_EQ(s(CleanupEngine::stripLeadingLabel(QStringLiteral("Okay, the plan: we meet at noon."))),
              "Okay, the plan: we meet at noon.");
}

} // namespace
