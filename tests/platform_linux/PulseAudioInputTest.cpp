// The microphones as PulseAudioInput lists them, against a PulseAudio server
// of the test's own. The server is then stopped (SIGSTOP): a question that
// waited for it would hang until its time-out and find no microphone.
#include "platform/linux/PulseAudioInput.h"
#include "audio/AudioInputDevice.h"

#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

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
        // Off the session bus, where the harness's own server holds PulseAudio's name.
        QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
        own.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        server.setProcessEnvironment(own);
        server.start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("-n"), QStringLiteral("-F"), folder.file(QStringLiteral("pulse.pa")),
                      QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                      QStringLiteral("--disallow-exit")});
        ASSERT_TRUE(server.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([] { return pactl({QStringLiteral("info")}); }, 10000));
    }
    void TearDown() override {
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

    ::kill(pid_t(server.processId()), SIGSTOP);
    const std::optional<quint32> device = AudioInputDevice::best(input);
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(AudioInputDevice::name(input, *device), QStringLiteral("Desk"));
    EXPECT_EQ(input.inputChannelCount(*device), 1);
    EXPECT_EQ(input.allDevices(), QList<quint32>{*device});
    ::kill(pid_t(server.processId()), SIGCONT);

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

} // namespace
