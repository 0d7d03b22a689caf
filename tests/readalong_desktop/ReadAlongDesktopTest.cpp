// A paragraph read in the read-along window with the stand-in engine and the
// real audio output: the lit word follows the voice, speed and taps work, and
// the reading saves as AAC.
#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "reader/ReaderWindowController.h"
#include "reader/ReaderWindowView.h"
#include "support/Await.h"
#include "support/EngineDesktopTest.h"
#include "support/EngineWait.h"
#include "support/SpeakerMonitor.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

class ReadAlongDesktop : public EngineDesktopTest {};

const QString kParagraph =
    QStringLiteral("The river was wide and slow. Morning light came over the water. Nobody on the shore said a word.");
constexpr int kSampleMs = 50;
constexpr double kLeeway = 0.1;

// Seconds from the first to the last loud frame of the recording.
double soundSpan(const QByteArray& pcm, double threshold = 300) {
    const qsizetype samples = pcm.size() / 2;
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < samples; ++i) {
        if (std::abs(qFromLittleEndian<qint16>(pcm.constData() + 2 * i)) > threshold) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return first < 0 ? 0 : double(last - first) / SpeakerMonitor::kRate;
}

double seconds(std::chrono::milliseconds time) { return time.count() / 1000.0; }

struct Follow {
    int highest = -1;
    int backwards = 0;
    int outOfStep = 0;
    int samples = 0;
    // Seconds of audio played per second, from the first sample past the
    // output's start-up to the end.
    double pace = 0;
};

// Samples the page's lit word and the player every 50 ms until the reading ends.
Follow follow(ReaderWindowController& reader, const ReaderWindowView& view) {
    Follow seen;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer running;
    double firstPosition = 0;
    std::optional<int> previous;
    while (reader.isPlaying() && clock.elapsed() < 60000) {
        QTest::qWait(kSampleMs);
        if (!reader.player())
            break;
        const double position = seconds(reader.player()->position());
        if (!running.isValid() && position > 0.3) {
            running.start();
            firstPosition = position;
        }
        const std::optional<int> lit = view.litWord();
        const ReaderTimeline& timeline = reader.timeline();
        ++seen.samples;
        if (lit) {
            const int low = timeline.index(position - kLeeway).value_or(0);
            const int high = timeline.index(position + kLeeway).value_or(-1);
            if (*lit < low || *lit > high)
                ++seen.outOfStep;
            if (previous && *lit < *previous)
                ++seen.backwards;
            seen.highest = std::max(seen.highest, *lit);
        }
        previous = lit;
    }
    if (running.isValid() && running.elapsed() > 0)
        seen.pace = (reader.timeline().duration - firstPosition) / (running.elapsed() / 1000.0);
    return seen;
}

} // namespace

TEST_F(ReadAlongDesktop, TheLitWordFollowsTheVoiceAtEitherSpeedAndTheReadingSaves) {
    useTestEngineHere();
    ASSERT_TRUE(startEngineHere()) << "the stand-in speech server did not answer";

    TempFolder folder;
    ReaderWindowController::Services services = ReaderWindowController::Services::standard();
    services.selectedVoice = [] { return QStringLiteral("af_heart"); };
    services.chooseDestination = [&](QWidget*, const QString&) {
        return std::optional<QString>(folder.file(QStringLiteral("reading.m4a")));
    };
    services.reveal = [](const QString&) {};
    services.trace = [](const QString&) {};
    ReaderWindowController reader(services);

    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    ASSERT_TRUE(awaitFuture(reader.read(kParagraph), 120000));
    ASSERT_TRUE(reader.isPlaying()) << reader.status().value_or(QString()).toStdString();
    ASSERT_NE(reader.window(), nullptr);
    EXPECT_TRUE(reader.window()->isVisible());
    const auto* view = reader.window()->findChild<ReaderWindowView*>();
    ASSERT_NE(view, nullptr);
    const ReaderTimeline timeline = reader.timeline();
    ASSERT_GE(timeline.words.size(), 15);

    const Follow normal = follow(reader, *view);
    EXPECT_GT(normal.samples, 20);
    EXPECT_EQ(normal.backwards, 0);
    EXPECT_LE(normal.outOfStep, 1) << "of " << normal.samples << " samples";
    EXPECT_EQ(normal.highest, timeline.words.size() - 1);
    QTest::qWait(300);
    const double heard = soundSpan(speaker.stop());
    EXPECT_NEAR(heard, timeline.duration, timeline.duration * 0.15) << "timeline " << timeline.duration << " s";

    // Twice the speed: twice the pace once the output runs.
    reader.setRate(2.0);
    ASSERT_TRUE(awaitFuture(reader.read(kParagraph), 120000));
    const Follow fast = follow(reader, *view);
    EXPECT_EQ(fast.backwards, 0);
    EXPECT_LE(fast.outOfStep, 1) << "of " << fast.samples << " samples";
    EXPECT_NEAR(fast.pace / normal.pace, 2.0, 0.4) << fast.pace << " against " << normal.pace;

    // A tap on a word while paused plays from there.
    reader.setRate(1.0);
    ASSERT_TRUE(awaitFuture(reader.read(kParagraph), 120000));
    reader.togglePlayback();
    ASSERT_FALSE(reader.isPlaying());
    const int target = int(reader.timeline().words.size()) - 5;
    reader.seekToWord(target);
    EXPECT_TRUE(reader.isPlaying());
    QTest::qWait(150);
    EXPECT_GE(view->litWord().value_or(-1), target);
    reader.stopEverything();
    EXPECT_FALSE(reader.window()->isVisible());

    // The reading saves as AAC of its length.
    ASSERT_TRUE(awaitFuture(reader.exportAudio(), 60000));
    EXPECT_FALSE(reader.status()) << reader.status().value_or(QString()).toStdString();
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "stream=codec_name:format=duration", "-of",
                                            "default=noprint_wrappers=1", folder.file(QStringLiteral("reading.m4a"))});
    ASSERT_TRUE(probe.waitForFinished(30000));
    const QString info = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QStringLiteral("codec_name=aac"))) << info.toStdString();
    const double saved = info.section(QStringLiteral("duration="), 1).section(u'\n', 0, 0).toDouble();
    EXPECT_NEAR(saved, reader.timeline().duration, 0.25) << info.toStdString();

    MlxServer::shared().stop();
}
