// The helper's sub-commands, run in-process against a scripted on-device model.
#include "helper/HelperProgram.h"
#include "cleanup/CleanupEngine.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const QByteArray usage =
    "usage: quorvane-helper availability|clean [--numbers words|smart|digits]|caret|sel-get|sel-set|key-watch\n";

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
    qint64 limitAsked = -1;
};

class HelperProgramTest : public testing::Test {
protected:
    Outcome run(const QStringList& arguments, const QByteArray& input = {}) {
        Outcome outcome;
        const Helper::Streams streams{
            [&](qint64 limit) {
                outcome.limitAsked = limit;
                prewarmedBeforeRead = fakes.onDeviceModel.prewarms > 0;
                return input.left(limit);
            },
            [&](const QByteArray& bytes) { outcome.out += bytes; },
            [&](const QByteArray& bytes) { outcome.err += bytes; },
        };
        outcome.status = Helper::run(arguments, streams);
        return outcome;
    }

    ScopedFakePlatform fakes;
    bool prewarmedBeforeRead = false;
};

TEST_F(HelperProgramTest, UnknownOrMissingSubCommandPrintsUsageAndExits64) {
    for (const QStringList& arguments : {QStringList{}, QStringList{"Clean"}, QStringList{""}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 64) << arguments.join(' ').toStdString();
        EXPECT_EQ(outcome.err, usage);
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_EQ(outcome.limitAsked, -1) << "standard input is not read";
    }
}

TEST_F(HelperProgramTest, AvailabilityPrintsTheModelStateAndItsStatus) {
    Outcome outcome = run({"availability", "ignored"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "available\n");

    fakes.onDeviceModel.available = false;
    fakes.onDeviceModel.reason = QStringLiteral("deviceNotEligible");
    outcome = run({"availability"});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "unavailable:deviceNotEligible\n");
    EXPECT_TRUE(outcome.err.isEmpty());
}

TEST_F(HelperProgramTest, CleanWritesTheAnswerWithoutNewlineOrLabel) {
    fakes.onDeviceModel.answer = [](const QString&) {
        return OnDeviceModel::Reply{QStringLiteral("  Here is the cleaned transcript: Hello there.\n"), {}};
    };
    const Outcome outcome = run({"clean", "--numbers", "words"}, "  um hello there  \n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "Hello there.");
    EXPECT_TRUE(outcome.err.isEmpty());
    EXPECT_EQ(fakes.onDeviceModel.prompts, QStringList{"um hello there"});
    EXPECT_TRUE(prewarmedBeforeRead) << "the session warms up before the input is read";
}

TEST_F(HelperProgramTest, CleanInstructionsCarryTheNumberSentenceOfTheStyle) {
    const QList<QPair<QStringList, QString>> cases = {
        {{"clean"}, "smart"},
        {{"clean", "--numbers"}, "smart"},
        {{"clean", "--numbers", "digits", "--numbers", "words"}, "digits"},
        {{"clean", "--numbers", "words"}, "words"},
        {{"clean", "--numbers", "roman"}, "smart"},
    };
    for (const auto& [arguments, style] : cases) {
        fakes.onDeviceModel.instructions.clear();
        run(arguments, "some words");
        ASSERT_EQ(fakes.onDeviceModel.instructions.size(), 1);
        EXPECT_EQ(fakes.onDeviceModel.instructions.first(),
                  Helper::cleanInstructions() + CleanupEngine::numberSentence(numberStyleFromString(style)))
            << arguments.join(' ').toStdString();
    }
}

TEST_F(HelperProgramTest, CleanRefusesEmptyAndOverlongInput) {
    // Blanks only, and input that is not UTF-8: exit 1, nothing written anywhere.
    for (const QByteArray& input : {QByteArray(" \n\t \n"), QByteArray("caf\xc3")}) {
        const Outcome outcome = run({"clean"}, input);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_TRUE(outcome.err.isEmpty());
    }
    EXPECT_TRUE(fakes.onDeviceModel.prompts.isEmpty());

    // Characters are what a person sees: "e" plus a combining accent is one.
    const QString accented = QStringLiteral("e\u0301");
    Outcome outcome = run({"clean"}, accented.repeated(8000).toUtf8());
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.size(), accented.repeated(8000).toUtf8().size());

    outcome = run({"clean"}, QByteArray(8001, 'a'));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "inputTooLong\n");
    EXPECT_TRUE(outcome.out.isEmpty());
}

TEST_F(HelperProgramTest, StandardInputIsReadOnlyUpToItsCap) {
    const QByteArray huge(Helper::maxInputBytes + 10, ' ');
    const Outcome outcome = run({"clean"}, huge);
    EXPECT_EQ(outcome.limitAsked, Helper::maxInputBytes + 1);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "inputTooLong\n");
    EXPECT_TRUE(fakes.onDeviceModel.prompts.isEmpty());
}

TEST_F(HelperProgramTest, ModelFailuresAndEmptyAnswersExitWithOne) {
    fakes.onDeviceModel.answer = [](const QString&) {
        return OnDeviceModel::Reply{std::nullopt, QStringLiteral("context window exceeded")};
    };
    Outcome outcome = run({"clean"}, "hello there");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "modelError: context window exceeded\n");
    EXPECT_TRUE(outcome.out.isEmpty());

    fakes.onDeviceModel.answer = [](const QString&) { return OnDeviceModel::Reply{QStringLiteral(" \n "), {}}; };
    outcome = run({"clean"}, "hello there");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_TRUE(outcome.err.isEmpty());
}

TEST_F(HelperProgramTest, CleanWithoutAModelExitsWithTwoBeforeReading) {
    fakes.onDeviceModel.available = false;
    fakes.onDeviceModel.reason = QStringLiteral("modelNotReady");
    const Outcome outcome = run({"clean"}, "hello there");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err, "unavailable:modelNotReady\n");
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_EQ(outcome.limitAsked, -1);
}

TEST(LeadingLabel, OnlyALabelAtTheStartIsRemovedAndOnlyOne) {
    const QList<QPair<QString, QString>> cases = {
        {"Here is the cleaned transcript: Hello there.", "Hello there."},
        {"Transcript: ok", "ok"},
        {"Transcript: x", "Transcript: x"},
        {"The transcript \u2013 ok then", "ok then"},
        {"your transcription\u2014 fine", "fine"},
        {"Here's a polished version: Dear Sam,", "Dear Sam,"},
        {"Note: transcript: hi", "Note: transcript: hi"},
        {"Transcript: Transcription: hi", "Transcription: hi"},
        {"Transcripts are due", "Transcripts are due"},
    };
    for (const auto& [reply, expected] : cases)
        EXPECT_EQ(Helper::stripLeadingLabel(reply), expected) << reply.toStdString();
}

} // namespace
