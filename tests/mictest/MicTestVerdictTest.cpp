#include "engine/MicTestVerdict.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using MicTestVerdict::Color;
using Transcriber::Diagnosis;

Diagnosis answered(int status, const QString& transcript, const QString& body = {}) {
    Diagnosis d;
    d.status = status;
    d.transcript = transcript;
    d.bodyExcerpt = body;
    return d;
}

Diagnosis unreachable(const QString& error) {
    Diagnosis d;
    d.error = error;
    return d;
}

// The take went nowhere: another account listens on the engine's port.
Diagnosis heldByAnotherAccount(const QString& error) {
    Diagnosis d = unreachable(error);
    d.heldByAnotherAccount = true;
    return d;
}

const MicTestVerdict::Take kTake{QStringLiteral("USB Mic"), QStringLiteral("48000 Hz, 1 ch"), 47999, 0.4567F};

TEST(MicTestVerdictTest, VerdictTableTestsTheEngineBeforeSilence) {
    const auto lost = MicTestVerdict::interpret(0.0F, unreachable(QStringLiteral("Connection refused")));
    EXPECT_EQ(lost.color, Color::Red);
    EXPECT_EQ(lost.text, QStringLiteral("Couldn't reach the voice engine. It may still be starting up. Wait a moment "
                                        "and try again.\n(Connection refused)"));
    // Waiting would not help, so the verdict says only what is wrong.
    EXPECT_EQ(MicTestVerdict::interpret(0.0F, heldByAnotherAccount(QStringLiteral("Another account holds it."))),
              (MicTestVerdict::Verdict{QStringLiteral("Another account holds it."), Color::Red}));
    const auto quiet = MicTestVerdict::interpret(0.0199F, answered(200, QStringLiteral("hello")));
    EXPECT_EQ(quiet.color, Color::Orange);
    EXPECT_TRUE(quiet.text.startsWith(QStringLiteral("The mic captured almost no sound.")));
    EXPECT_EQ(MicTestVerdict::interpret(0.02F, answered(200, QStringLiteral("the quick brown fox"))),
              (MicTestVerdict::Verdict{QStringLiteral("Everything works. Heard: \u201cthe quick brown fox\u201d"),
                                       Color::Green}));
    EXPECT_EQ(MicTestVerdict::interpret(0.5F, answered(200, {})).color, Color::Red);
    EXPECT_TRUE(
        MicTestVerdict::interpret(0.5F, answered(200, {})).text.contains(QStringLiteral("recognized no words")));
    EXPECT_EQ(
        MicTestVerdict::interpret(0.5F, answered(500, {})).text,
        QStringLiteral("Sound was captured, but the voice engine returned an error (HTTP 500). This points at the "
                       "speech model, not your mic."));
}

TEST(MicTestVerdictTest, RepairIsOfferedForEngineFaultsButNeverForSilence) {
    EXPECT_FALSE(MicTestVerdict::canRepair(0.0199F, unreachable(QStringLiteral("x"))));
    EXPECT_FALSE(MicTestVerdict::canRepair(0.0199F, answered(500, {})));
    EXPECT_TRUE(MicTestVerdict::canRepair(0.02F, unreachable(QStringLiteral("x"))));
    EXPECT_FALSE(MicTestVerdict::canRepair(0.3F, heldByAnotherAccount(QStringLiteral("x"))))
        << "a repair frees no port of another account";
    EXPECT_TRUE(MicTestVerdict::canRepair(0.3F, answered(500, QStringLiteral("words"))));
    EXPECT_TRUE(MicTestVerdict::canRepair(0.3F, answered(200, {})));
    EXPECT_FALSE(MicTestVerdict::canRepair(0.3F, answered(200, QStringLiteral("words"))));
}

TEST(MicTestVerdictTest, ReportListsTheTakeAndTheEnginesAnswer) {
    EXPECT_EQ(MicTestVerdict::report(kTake, answered(200, QStringLiteral("hello there"))),
              QStringLiteral("input device: USB Mic\ninput format: 48000 Hz, 1 ch\ncaptured: 3.0s, peak level 0.457\n"
                             "engine HTTP: 200\ntranscript: hello there"));
    EXPECT_TRUE(MicTestVerdict::report(kTake, answered(200, {}, QStringLiteral("{\"text\":\"\"}")))
                    .endsWith(QStringLiteral("engine HTTP: 200\ntranscript: <empty>\nengine body: {\"text\":\"\"}")));
    const QString lost = MicTestVerdict::report({QStringLiteral("none"), QStringLiteral("0 Hz, 0 ch"), 0, 0},
                                                unreachable(QStringLiteral("timed out")));
    EXPECT_TRUE(lost.startsWith(QStringLiteral("input device: none\n")));
    EXPECT_TRUE(lost.endsWith(QStringLiteral("\nengine: unreachable (timed out)")));
    EXPECT_FALSE(lost.contains(QStringLiteral("engine HTTP")));
    // An engine that had stopped answering and was replaced is named before its answer.
    EXPECT_TRUE(MicTestVerdict::report(kTake, answered(200, QStringLiteral("hello there")), true)
                    .endsWith(QStringLiteral("\nengine: took connections but answered nothing, so it was restarted\n"
                                             "engine HTTP: 200\ntranscript: hello there")));
}

TEST(MicTestVerdictTest, ButtonFollowsThePhase) {
    using MicTestVerdict::Phase;
    EXPECT_EQ(MicTestVerdict::buttonLabel(Phase::Idle), QStringLiteral("Record 3 seconds and test"));
    EXPECT_EQ(MicTestVerdict::buttonLabel(Phase::Recording, 2), QStringLiteral("Listening\u2026 2"));
}

TEST(MicTestVerdictTest, TakeReplacesTheEarlierOne) {
    TempFolder data;
    ScopedEnvironment env("XDG_DATA_HOME", data.path().toUtf8());
    const auto first = MicTestVerdict::saveWav("RIFF-one");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(*first, data.file(QStringLiteral("Quorvane Native/diagnostics/mic-test.wav")));
    MicTestVerdict::saveWav("RIFF-two");
    EXPECT_EQ(data.read(QStringLiteral("Quorvane Native/diagnostics/mic-test.wav")), "RIFF-two");
}

} // namespace
