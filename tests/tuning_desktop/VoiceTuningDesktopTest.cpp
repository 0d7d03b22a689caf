// The sixteen sentences spoken by flite into the harness microphone, recorded by
// the tuning's own recorder, then tuned and measured on the real speech engine.
#include "audio/Recorder.h"
#include "audio/WavData.h"
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
#include "support/Text.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <vector>

namespace {

using Phase = VoiceTuning::Phase;
using Outcome = VoiceTuning::Outcome;
using Speech = std::function<QByteArray(const QString& sentence)>;

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

// `sentence` in flite's 8 kHz "kal" voice with the two octaves around 500 Hz cut by
// 12 dB, as 16 kHz s16le PCM; empty when flite or sox failed. Without dither,
// so a sentence sounds the same on every run.
QByteArray colouredPcm(const TempFolder& folder, const QString& sentence) {
    const QString spoken = folder.file(QStringLiteral("spoken.wav"));
    const QString coloured = folder.file(QStringLiteral("coloured.raw"));
    QProcess flite;
    flite.start(QStringLiteral("flite"), {QStringLiteral("-voice"), QStringLiteral("kal"), QStringLiteral("-t"),
                                          sentence, QStringLiteral("-o"), spoken});
    if (!flite.waitForFinished(30000) || flite.exitCode() != 0)
        return {};
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {QStringLiteral("-D"), spoken, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"),
               QStringLiteral("16000"), QStringLiteral("-e"), QStringLiteral("signed-integer"), QStringLiteral("-b"),
               QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("1"), coloured, QStringLiteral("equalizer"),
               QStringLiteral("500"), QStringLiteral("2o"), QStringLiteral("-12")});
    if (!sox.waitForFinished(30000) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0)
        return {};
    return folder.read(QStringLiteral("coloured.raw"));
}

// Speaks `pcm` into the harness microphone while `recorder` runs, until it holds
// the whole take and a quarter second more.
bool speakInto(Recorder* recorder, const QByteArray& pcm) {
    const qsizetype wanted = pcm.size() / 2 + 4000;
    return MicrophoneFeed::speak(
        pcm, [recorder, wanted] { return recorder->sampleCount() >= wanted; }, 30000);
}

// Word errors of `heard` against `reference` with words compared as written,
// letter case included: the edit distance over words split at anything but
// letters and digits.
int wordErrorsAsWritten(const QString& reference, const QString& heard) {
    static const QRegularExpression gap(QStringLiteral("[^\\p{L}\\p{N}]+"));
    return Text::wordEditDistance(reference.split(gap, Qt::SkipEmptyParts), heard.split(gap, Qt::SkipEmptyParts));
}

// The forced scores of the training clips before and after the last fit, from
// the line the speech server writes to its log; nothing when it wrote none.
std::optional<std::pair<double, double>> forcedScores() {
    QFile log(MlxServer::logFile());
    if (!log.open(QIODevice::ReadOnly))
        return std::nullopt;
    static const QRegularExpression line(
        QStringLiteral("voice adapter: \\d+ clips, forced score (-?\\d+) -> (-?\\d+)"));
    std::optional<std::pair<double, double>> last;
    for (auto match = line.globalMatch(QString::fromUtf8(log.readAll())); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        last = std::pair{found.captured(1).toDouble(), found.captured(2).toDouble()};
    }
    return last;
}

// The tuning page's road on the real engine: a speech engine of its own, the
// tuning's recorder on the harness microphone.
class VoiceTuningDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts PulseAudio with the FIFO microphone";
        port = std::make_unique<PortLock>(MlxServer::port);
        engine = TestEngine::folder();
        ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
        environment = std::make_unique<ScopedEnvironment>("QV_ENGINE_ROOT", QFile::encodeName(engine));
        environment->set("XDG_DATA_HOME", QFile::encodeName(home.path()));
        adapterFile = engine + QStringLiteral("/voice-adapter.npz");
        QFile::remove(adapterFile);
        QFile::remove(MlxServer::logFile());
        ASSERT_TRUE(startEngineHere());
        platform = std::make_unique<LinuxPlatform>();
        auto owned = std::make_unique<Recorder>(platform->services().audioInput);
        recorder = owned.get();
        tuning = std::make_unique<VoiceTuning>(
            std::move(owned), [](const QByteArray& wav, std::chrono::milliseconds timeout) {
                return Transcriber::transcribe(wav, std::chrono::duration<double>(timeout).count());
            });
        QObject::connect(tuning.get(), &VoiceTuning::phaseChanged,
                         [this](const Phase& phase) { phases.append(phase); });
    }

    void TearDown() override {
        tuning.reset();
        platform.reset();
        MlxServer::shared().stop();
    }

    // Reads every sentence the page asks for, in `speech`, then tunes; the
    // phase the run ended in.
    Phase readAllAndRun(const Speech& speech) {
        while (const std::optional<QString> sentence = tuning->currentSentence()) {
            const QByteArray pcm = speech(*sentence);
            if (pcm.size() <= 16000) {
                ADD_FAILURE() << "no speech for " << sentence->toStdString();
                return Phase::failed(QString());
            }
            const int before = tuning->captured();
            tuning->beginRecording();
            EXPECT_EQ(tuning->phase().kind, Phase::Kind::Recording) << tuning->phase().message.toStdString();
            EXPECT_TRUE(speakInto(recorder, pcm));
            tuning->finishRecording();
            if (tuning->captured() != before + 1) {
                ADD_FAILURE() << "the take was not kept: " << sentence->toStdString();
                return Phase::failed(QString());
            }
        }
        EXPECT_TRUE(awaitFuture(tuning->run(), 600000));
        return tuning->phase();
    }

    // `pcm` dictated through the harness microphone: a take of a recorder of
    // its own, sent to the speech engine as dictation sends it; empty when the
    // take or its transcription failed.
    QString dictate(const QByteArray& pcm) {
        Recorder dictation(platform->services().audioInput);
        if (const auto error = dictation.start()) {
            ADD_FAILURE() << "the dictation recorder did not start: " << error->message.toStdString();
            return {};
        }
        EXPECT_TRUE(speakInto(&dictation, pcm));
        dictation.stop();
        try {
            return awaitResult(Transcriber::transcribe(WavData::encode(dictation.samples()), 120), 150000);
        } catch (const std::exception& error) {
            ADD_FAILURE() << "the dictation was not transcribed: " << error.what();
            return {};
        }
    }

    // The fit raised the recogniser's forced score of the training clips, and
    // the held-out counts alone decided the outcome and whether an adapter stays.
    void expectTheFitHelpedAndTheCountsDecided(const Outcome& outcome) {
        const auto scores = forcedScores();
        ASSERT_TRUE(scores.has_value()) << "the fit logged no forced scores";
        std::cerr << "forced score of the training clips " << scores->first << " -> " << scores->second << "\n";
        EXPECT_GT(scores->second, scores->first);
        EXPECT_TRUE(phases.contains(Phase::measuringAfter(4)));
        EXPECT_EQ(outcome.kind, outcome.after < outcome.before ? Outcome::Kind::Better : Outcome::Kind::NotBetter);
        EXPECT_EQ(QFileInfo::exists(adapterFile), outcome.kind == Outcome::Kind::Better);
    }

    std::unique_ptr<PortLock> port;
    QString engine;
    TempFolder home;
    TempFolder folder;
    std::unique_ptr<ScopedEnvironment> environment;
    QString adapterFile;
    std::unique_ptr<LinuxPlatform> platform;
    Recorder* recorder = nullptr;
    std::unique_ptr<VoiceTuning> tuning;
    QList<Phase> phases;
};

TEST_F(VoiceTuningDesktopTest, SixteenSpokenTakesEndInTheOutcomeTheirCountsGive) {
    const Phase end =
        readAllAndRun([this](const QString& sentence) { return MicrophoneFeed::spokenPcm(folder, sentence); });
    ASSERT_EQ(end.kind, Phase::Kind::Done) << end.message.toStdString();
    const Outcome outcome = end.outcome;
    std::cerr << "voice tuning: errors before " << outcome.before << ", after " << outcome.after << " of "
              << outcome.words << " words\n";
    EXPECT_EQ(outcome.words, 33);
    if (outcome.kind == Outcome::Kind::AlreadyPerfect) {
        EXPECT_EQ(outcome.before, 0);
        EXPECT_FALSE(phases.contains(Phase::tuning(0, 0)));
        EXPECT_FALSE(QFileInfo::exists(adapterFile));
        return;
    }
    expectTheFitHelpedAndTheCountsDecided(outcome);
}

TEST_F(VoiceTuningDesktopTest, AColouredVoiceIsTunedBetterAndLaterDictationOfAHeldOutSentenceGains) {
    const Speech coloured = [this](const QString& sentence) { return colouredPcm(folder, sentence); };
    const QString heldOut = VoiceTuning::checkingSentences().at(1);
    const QByteArray heldOutPcm = coloured(heldOut);
    ASSERT_GT(heldOutPcm.size(), 16000);
    const QString heardBefore = dictate(heldOutPcm);

    const Phase end = readAllAndRun(coloured);
    ASSERT_EQ(end.kind, Phase::Kind::Done) << end.message.toStdString();
    const Outcome outcome = end.outcome;
    std::cerr << "coloured voice tuning: errors before " << outcome.before << ", after " << outcome.after << " of "
              << outcome.words << " words\n";
    EXPECT_EQ(outcome.kind, Outcome::Kind::Better);
    EXPECT_TRUE(QFileInfo::exists(adapterFile));
    expectTheFitHelpedAndTheCountsDecided(outcome);

    const QString heardAfter = dictate(heldOutPcm);
    const int errorsBefore = wordErrorsAsWritten(heldOut, heardBefore);
    const int errorsAfter = wordErrorsAsWritten(heldOut, heardAfter);
    std::cerr << "dictation of \"" << heldOut.toStdString() << "\": " << errorsBefore << " errors before tuning (\""
              << heardBefore.toStdString() << "\"), " << errorsAfter << " after (\"" << heardAfter.toStdString()
              << "\")\n";
    EXPECT_LT(errorsAfter, errorsBefore);
}

} // namespace
