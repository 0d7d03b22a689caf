// The microphones as PulseAudioInput lists them, against a PulseAudio server
// of the test's own. The server is then stopped (SIGSTOP): a question that
// waited for it would hang until its time-out and find no microphone. And the
// server is restarted: the list is heard again over a new connection, and a
// server that hangs after its restart holds up no question either.
#include "platform/linux/PulseAudioInput.h"
#include "audio/AudioInputDevice.h"
#include "audio/Recorder.h"

#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class PulseAudioInputTest : public testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
            GTEST_SKIP() << "PulseAudio is not installed";
        const QString socket = folder.file(QStringLiteral("pulse.sock"));
        folder.write(QStringLiteral("pulse.pa"),
                     "load-module module-native-protocol-unix auth-anonymous=1 socket=" + socket.toUtf8()
                         + "\nload-module module-null-source source_name=desk description=Desk channels=1\n"
                           "set-default-source desk\n");
        environment.set("PULSE_SERVER", "unix:" + socket.toUtf8());
        environment.set("HOME", folder.path().toUtf8());
        environment.set("XDG_RUNTIME_DIR", folder.path().toUtf8());
        startServer();
    }
    void TearDown() override { stopServer(); }

    void startServer() {
        // Off the session bus, where the harness's own server, or that of a
        // test run at the same time, holds PulseAudio's name; without the
        // display, through which the bus would be found too.
        QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
        own.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        own.remove(QStringLiteral("DISPLAY"));
        server.setProcessEnvironment(own);
        server.start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("-n"), QStringLiteral("-F"), folder.file(QStringLiteral("pulse.pa")),
                      QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                      QStringLiteral("--disallow-exit")});
        ASSERT_TRUE(server.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([] { return pactl({QStringLiteral("info")}); }, 10000));
    }
    // Sends `signal` to the test's server, never to a process group.
    void signalServer(int signal) {
        ASSERT_GT(server.processId(), 0) << "the server is not running";
        ::kill(pid_t(server.processId()), signal);
    }
    void stopServer() {
        if (server.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(server.processId()), SIGCONT);
        server.kill();
        server.waitForFinished(5000);
    }

    static bool pactl(const QStringList& arguments) {
        QProcess run;
        run.start(QStringLiteral("pactl"), arguments);
        return run.waitForFinished(5000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
    }

    TempFolder folder;
    ScopedEnvironment environment;
    QProcess server;
};

TEST_F(PulseAudioInputTest, TheMicrophoneIsKnownWithoutAskingTheServerAtEachStart) {
    PulseAudioInput input;
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.heard(); }, 10000));

    ASSERT_NO_FATAL_FAILURE(signalServer(SIGSTOP));
    const std::optional<quint32> device = AudioInputDevice::best(input);
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(AudioInputDevice::name(input, *device), QStringLiteral("Desk"));
    EXPECT_EQ(input.inputChannelCount(*device), 1);
    EXPECT_EQ(input.allDevices(), QList<quint32>{*device});
    ASSERT_NO_FATAL_FAILURE(signalServer(SIGCONT));

    // A microphone plugged in, and made the default, is heard over the same connection.
    ASSERT_TRUE(pactl({QStringLiteral("load-module"), QStringLiteral("module-null-source"),
                       QStringLiteral("source_name=headset"), QStringLiteral("description=Headset")}));
    ASSERT_TRUE(pactl({QStringLiteral("set-default-source"), QStringLiteral("headset")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.allDevices().size() == 2; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<quint32> chosen = AudioInputDevice::best(input);
            return chosen && AudioInputDevice::name(input, *chosen) == QStringLiteral("Headset");
        },
        10000));
}

TEST_F(PulseAudioInputTest, AfterTheServerRestartsTheMicrophoneIsHeardAgainAndAHungServerHoldsUpNoQuestion) {
    PulseAudioInput input;
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.heard(); }, 10000));

    stopServer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !input.heard(); }, 10000)) << "the lost server was still taken as heard";
    startServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.heard(); }, 10000)) << "the restarted server was never heard";
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.allDevices().size() == 1; }, 10000));

    // The server hangs; what a dictation start asks about the microphone is
    // answered from what the new connection heard, without waiting for it.
    ASSERT_NO_FATAL_FAILURE(signalServer(SIGSTOP));
    QElapsedTimer clock;
    clock.start();
    const std::optional<quint32> device = AudioInputDevice::best(input);
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(AudioInputDevice::name(input, *device), QStringLiteral("Desk"));
    EXPECT_EQ(input.allDevices(), QList<quint32>{*device});
    EXPECT_LT(clock.elapsed(), 1000) << "the questions waited for the hung server";

    // Gone again, and hung at its next start: a question finds no list, at once.
    stopServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !input.heard(); }, 10000));
    startServer();
    ASSERT_NO_FATAL_FAILURE(signalServer(SIGSTOP));
    clock.restart();
    for (int start = 0; start < 3; ++start)
        (void)AudioInputDevice::best(input);
    EXPECT_LT(clock.elapsed(), 1000) << "each question waited for the hung server";
}

// A dictation's start opens the microphone through Qt Multimedia, whose opening
// waits for a hung server for half a minute: the start goes on without it.
TEST_F(PulseAudioInputTest, ADictationStartDoesNotWaitForAHungServer) {
    PulseAudioInput input;
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.heard(); }, 10000));
    // Qt's own connection to the server, made while it answers, as the program's is.
    ASSERT_FALSE(QMediaDevices::audioInputs().isEmpty());

    ASSERT_NO_FATAL_FAILURE(signalServer(SIGSTOP));
    Recorder recorder(&input);
    QElapsedTimer clock;
    clock.start();
    const std::optional<QuorvaneError> failure = recorder.start();
    EXPECT_LT(clock.elapsed(), 1000) << "the start waited for the hung server";
    EXPECT_FALSE(failure.has_value()) << failure->message.toStdString();
    clock.restart();
    recorder.stop();
    EXPECT_LT(clock.elapsed(), 1000) << "the stop waited for the opening";
    ASSERT_NO_FATAL_FAILURE(signalServer(SIGCONT));
    // The opening ends once the server answers, and its thread with it.
    QTest::qWait(1000);
}

} // namespace
