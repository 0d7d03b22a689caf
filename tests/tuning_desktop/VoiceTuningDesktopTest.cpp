// The sixteen sentences spoken by flite into the harness microphone, recorded by
// the tuning's own recorder, then tuned and measured on the real speech engine.
#include "audio/Recorder.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "engine/VoiceTuning.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Await.h"
#include "support/EngineWait.h"
#include "support/MicrophoneFeed.h"
#include "support/PortLock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using Phase = VoiceTuning::Phase;
using Outcome = VoiceTuning::Outcome;

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

TEST(VoiceTuningDesktopTest, SixteenSpokenTakesEndInTheOutcomeTheirCountsGive) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts PulseAudio with the FIFO microphone";
    const PortLock port{MlxServer::port};
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    TempFolder home;
    TempFolder folder;
    ScopedEnvironment environment("QV_ENGINE_ROOT", QFile::encodeName(engine));
    environment.set("XDG_DATA_HOME", QFile::encodeName(home.path()));
    const QString adapterFile = engine + QStringLiteral("/voice-adapter.npz");
    QFile::remove(adapterFile);
    ASSERT_TRUE(startEngineHere());

    LinuxPlatform platform;
    auto owned = std::make_unique<Recorder>(platform.services().audioInput);
    Recorder* recorder = owned.get();
    VoiceTuning tuning(std::move(owned), [](const QByteArray& wav, std::chrono::milliseconds timeout) {
        return Transcriber::transcribe(wav, std::chrono::duration<double>(timeout).count());
    });
    QList<Phase> phases;
    QObject::connect(&tuning, &VoiceTuning::phaseChanged, [&phases](const Phase& phase) { phases.append(phase); });

    while (const std::optional<QString> sentence = tuning.currentSentence()) {
        const QByteArray pcm = MicrophoneFeed::spokenPcm(folder, *sentence);
        ASSERT_GT(pcm.size(), 16000) << "flite did not speak";
        const qsizetype wanted = pcm.size() / 2 + 4000;
        const int before = tuning.captured();
        tuning.beginRecording();
        ASSERT_EQ(tuning.phase().kind, Phase::Kind::Recording) << tuning.phase().message.toStdString();
        ASSERT_TRUE(MicrophoneFeed::speak(
            pcm, [recorder, wanted] { return recorder->sampleCount() >= wanted; }, 30000));
        tuning.finishRecording();
        ASSERT_EQ(tuning.captured(), before + 1) << sentence->toStdString();
    }

    ASSERT_TRUE(awaitFuture(tuning.run(), 600000));
    const Phase end = tuning.phase();
    MlxServer::shared().stop();
    ASSERT_EQ(end.kind, Phase::Kind::Done) << end.message.toStdString();
    const Outcome outcome = end.outcome;
    std::cerr << "voice tuning: errors before " << outcome.before << ", after " << outcome.after << " of "
              << outcome.words << " words\n";
    EXPECT_EQ(outcome.words, 33);
    switch (outcome.kind) {
    case Outcome::Kind::AlreadyPerfect:
        EXPECT_FALSE(phases.contains(Phase::tuning(0, 0)));
        break;
    case Outcome::Kind::Better:
        EXPECT_LT(outcome.after, outcome.before);
        EXPECT_TRUE(phases.contains(Phase::measuringAfter(4)));
        break;
    case Outcome::Kind::NotBetter:
        EXPECT_GE(outcome.after, outcome.before);
        EXPECT_TRUE(phases.contains(Phase::measuringAfter(4)));
        break;
    case Outcome::Kind::TurnedOff:
        ADD_FAILURE() << "a run never ends turned off";
    }
    EXPECT_EQ(QFileInfo::exists(adapterFile), outcome.kind == Outcome::Kind::Better);
}

} // namespace
