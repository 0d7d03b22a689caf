// The switches that listen: the microphone check with and without speech and
// engine, and one whole dictation into another application, each checked
// against what the harness's microphone was fed and what the desktop shows.
#include "selftest_desktop/SelfTestLaunch.h"

#include "audio/AudioInputDevice.h"
#include "dictation_e2e/DictationTarget.h"
#include "insertion/AXText.h"
#include "support/MicrophoneFeed.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// 50 ms of 16 kHz 16-bit samples; the microphone check's take of 2.5 s.
constexpr qsizetype kChunkBytes = 1600;
constexpr qsizetype kTakeBytes = 16000 * 2 * 5 / 2;

using MicrophoneAndDictationTest = SelfTestDesktopTest;

bool microphoneOpen() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("source-outputs")});
    return pactl.waitForFinished(5000) && !pactl.readAllStandardOutput().trimmed().isEmpty();
}

// Takes out what was written into the microphone's pipe while nobody recorded.
void drainMicrophone() {
    const int fd = ::open(qgetenv("QV_TEST_MIC_FIFO").constData(), O_RDONLY | O_NONBLOCK);
    char buffer[4096];
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}

// Says `pcm` into the harness's microphone, in real time from its own thread,
// as soon as a recording opens, then silence until it closes (or a minute has
// passed). Nothing is left in the pipe for the next recording.
class Speaker {
public:
    explicit Speaker(QByteArray pcm)
        : m_thread([this, pcm = std::move(pcm)] {
              const auto deadline = std::chrono::steady_clock::now() + 60s;
              drainMicrophone();
              while (!m_stop && !microphoneOpen() && std::chrono::steady_clock::now() < deadline)
                  std::this_thread::sleep_for(50ms);
              const auto began = std::chrono::steady_clock::now();
              // Whether it is still open is asked every 100 ms.
              for (qint64 sent = 0; !m_stop && std::chrono::steady_clock::now() < deadline
                                    && (sent % (2 * kChunkBytes) != 0 || microphoneOpen());
                   sent += kChunkBytes) {
                  const QByteArray words = pcm.mid(sent, kChunkBytes);
                  MicrophoneFeed::write(words + QByteArray(kChunkBytes - words.size(), '\0'));
                  std::this_thread::sleep_until(began + std::chrono::milliseconds((sent + kChunkBytes) / 32));
              }
              drainMicrophone();
          }) {}
    ~Speaker() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

TEST_F(MicrophoneAndDictationTest, TheMicrophoneCheckHearsSilenceAndSaysTheEngineDidNotAnswer) {
    SelfTestLaunch launch;
    const QString path = launch.home.file(QStringLiteral("mic.txt"));
    const Speaker silence({});
    ASSERT_TRUE(launch.start(launch.noEngine(), {{QStringLiteral("QV_MIC_TEST"), path}}));
    const QStringList lines = launch.result(path).value_or(QString()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 7) << lines.join(QLatin1Char('\n')).toStdString(); // six, each ending in a line feed
    EXPECT_EQ(lines[0], QStringLiteral("device=") + AudioInputDevice::name(AudioInputDevice::best().value_or(0)));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^format=\\d+ Hz, \\d+ ch$")).match(lines[1]).hasMatch())
        << lines[1].toStdString();
    // Two and a half seconds of zeros.
    const QRegularExpressionMatch level =
        QRegularExpression(QStringLiteral("^peak=0\\.0 samples=(\\d+) seconds=(\\d+\\.\\d)$")).match(lines[2]);
    ASSERT_TRUE(level.hasMatch()) << lines[2].toStdString();
    const qint64 samples = level.captured(1).toLongLong();
    EXPECT_GT(samples, 16000 * 2);
    EXPECT_LT(samples, 16000 * 3);
    EXPECT_EQ(level.captured(2), QString::asprintf("%.1f", double(samples) / 16000.0));
    EXPECT_EQ(lines.mid(3), QStringList({QStringLiteral("capture=SILENT"), QStringLiteral("http=-1 transcript=<empty>"),
                                         QStringLiteral("body="), QString()}));
    EXPECT_TRUE(endProgram(launch.program));
}

TEST_F(MicrophoneAndDictationTest, TheMicrophoneCheckHearsSpeechAndTheEngineTranscribesIt) {
    const QString installed = engine();
    SelfTestLaunch launch(R"({"onboardingDone":true,"openWindowAtLaunch":false})");
    const QByteArray speech =
        MicrophoneFeed::spokenPcm(launch.home, QStringLiteral("please schedule a meeting"), QStringLiteral("awb"));
    // Said as the take begins, the words end well before it does.
    ASSERT_GT(speech.size(), 16000) << "flite did not speak";
    ASSERT_LT(speech.size(), kTakeBytes - 16000 / 2);
    const QString path = launch.home.file(QStringLiteral("mic.txt"));
    const Speaker voice(speech);
    ASSERT_TRUE(launch.start(installed, {{QStringLiteral("QV_MIC_TEST"), path}}));
    const QStringList lines = launch.result(path, 120000).value_or(QString()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6) << lines.join(QLatin1Char('\n')).toStdString(); // no body after a transcript
    EXPECT_FALSE(lines[2].startsWith(QLatin1String("peak=0.0 "))) << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("capture=CAPTURING"));
    // The take is short and a loaded machine opens the microphone late, so
    // the end of the sentence may be cut: its second word tells enough.
    EXPECT_TRUE(lines[4].startsWith(QLatin1String("http=200 transcript="))
                && lines[4].contains(QLatin1String("schedule")))
        << lines[4].toStdString();
    EXPECT_TRUE(endProgram(launch.program));
}

TEST_F(MicrophoneAndDictationTest, TheDictationRecordsWhatTheProgramDidAndInsertsWhatWasSaid) {
    const QString installed = engine();
    // The dictation key is reported as it is stored.
    SelfTestLaunch launch(R"({"onboardingDone":true,"openWindowAtLaunch":false,"dictationKey":7})");
    const QByteArray speech =
        MicrophoneFeed::spokenPcm(launch.home, QStringLiteral("please schedule a meeting"), QStringLiteral("awb"));
    ASSERT_GT(speech.size(), 16000) << "flite did not speak";
    DictationTarget target;
    ASSERT_TRUE(target.ready() && target.focusLine());
    ASSERT_TRUE(target.ask(QStringLiteral("type Agenda."), QStringLiteral("typed")));
    const std::optional<QRect> window = AXText::focusedWindowRect();
    std::optional<QRect> caret;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (caret = AXText::selectionScreenRect()).has_value(); }, 5000) && window);

    const QString path = launch.home.file(QStringLiteral("dictate.txt"));
    const Speaker voice(speech);
    ASSERT_TRUE(launch.start(installed, {{QStringLiteral("QV_DICTATE_TEST"), path}}));
    const QStringList lines = launch.result(path, 120000).value_or(QString()).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 9) << lines.join(QLatin1Char('\n')).toStdString();

    // Rectangles as scripts expect them: y counts up from the bottom of the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const auto upward = [&screen](const QRect& r) {
        return QStringLiteral("(%1.0, %2.0, %3.0, %4.0)")
            .arg(r.x())
            .arg(screen.height() - r.bottom() - 1)
            .arg(r.width())
            .arg(r.height());
    };
    EXPECT_EQ(lines.mid(0, 7),
              QStringList({QStringLiteral("hotkeyDictation=7"), QStringLiteral("axTrusted=true"),
                           QStringLiteral("caretRect=") + upward(*caret),
                           QStringLiteral("focusedWindowRect=") + upward(*window),
                           QStringLiteral("afterToggle: isRecording=true bubbleMode=listening"),
                           QStringLiteral("flashMessage=(none)"),
                           QStringLiteral("screen: ") + upward(screen) + QStringLiteral(" main=true")}));
    // One of the panels is the listening bubble, on the screen.
    const QStringList panels = lines.filter(QRegularExpression(QStringLiteral("^panel: ")));
    EXPECT_EQ(
        panels
            .filter(QRegularExpression(QStringLiteral(", 620\\.0, 320\\.0\\) visible=true alpha=1\\.0 onScreen=true$")))
            .size(),
        1)
        << panels.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(lines.size(), 7 + panels.size() + 2) << "one line after the panels, ending in a line feed";

    // What was said is the final text, and it landed in the target.
    const QRegularExpressionMatch stop =
        QRegularExpression(QStringLiteral("^afterStop: bubbleMode=(result|hidden) final=(.*meeting.*)$"))
            .match(lines[lines.size() - 2]);
    ASSERT_TRUE(stop.hasMatch()) << lines[lines.size() - 2].toStdString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return AXText::textBeforeCaret(500).value_or(QString()).contains(stop.captured(2)); }, 5000))
        << AXText::textBeforeCaret(500).value_or(QString()).toStdString();
    EXPECT_TRUE(endProgram(launch.program));
}

} // namespace
