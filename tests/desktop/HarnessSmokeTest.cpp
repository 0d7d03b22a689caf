// Proves that every service of the desktop harness answers: a window maps on
// the X display, the accessibility bus lists it, the tray host is there, and
// PCM written into the microphone FIFO is captured back unchanged.
#include <atspi/atspi.h> // before Qt: GLib headers use the name "signals"

#include "support/MicrophoneFeed.h"

#include <QAudioSource>
#include <QMediaDevices>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QtConcurrent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

const char* const kNoHarness = "run through scripts/run-tests.sh, which starts the desktop services";

// The names of the applications registered on the accessibility bus and of
// their top-level children, as "app/child".
QStringList accessibleTree() {
    QStringList names;
    atspi_init();
    AtspiAccessible* desktop = atspi_get_desktop(0);
    const int apps = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < apps; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (!app)
            continue;
        gchar* appName = atspi_accessible_get_name(app, nullptr);
        const QString appText = QString::fromUtf8(appName ? appName : "");
        g_free(appName);
        names << appText;
        const int children = atspi_accessible_get_child_count(app, nullptr);
        for (int c = 0; c < children; ++c) {
            AtspiAccessible* child = atspi_accessible_get_child_at_index(app, c, nullptr);
            if (!child)
                continue;
            gchar* childName = atspi_accessible_get_name(child, nullptr);
            names << appText + '/' + QString::fromUtf8(childName ? childName : "");
            g_free(childName);
            g_object_unref(child);
        }
        g_object_unref(app);
    }
    g_object_unref(desktop);
    return names;
}

TEST(HarnessSmokeTest, AWindowMapsAndTheAccessibilityBusListsIt) {
    if (!underHarness())
        GTEST_SKIP() << kNoHarness;
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Harness smoke window"));
    window.resize(200, 120);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The AT-SPI queries call back into this process, so they run on another
    // thread while this one keeps answering.
    const QString expected = QCoreApplication::applicationName() + QStringLiteral("/Harness smoke window");
    QStringList tree;
    const bool listed = QTest::qWaitFor(
        [&] {
            QFuture<QStringList> query = QtConcurrent::run(accessibleTree);
            while (!query.isFinished())
                QTest::qWait(20);
            tree = query.result();
            return tree.contains(expected);
        },
        15000);
    EXPECT_TRUE(listed) << "registered: " << tree.join(", ").toStdString();
}

TEST(HarnessSmokeTest, TheTrayHostIsRunning) {
    if (!underHarness())
        GTEST_SKIP() << kNoHarness;
    EXPECT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));
}

// One second of a tone with a little ramp, so that every sample differs from its
// neighbours and the captured copy can be found by content.
QByteArray oneSecondOfPcm() {
    QByteArray pcm(16000 * 2, Qt::Uninitialized);
    auto* samples = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < 16000; ++i)
        samples[i] = qint16(std::lround(9000.0 * std::sin(i * 0.0731) + (i % 97) * 7));
    return pcm;
}

TEST(HarnessSmokeTest, PcmWrittenIntoTheMicrophoneFifoIsCapturedExactly) {
    if (!underHarness())
        GTEST_SKIP() << kNoHarness;
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("QV_TEST_MIC_FIFO"));
    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    ASSERT_FALSE(input.isNull()) << "no default input device";

    QAudioFormat format;
    format.setSampleRate(16000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    QAudioSource source(input, format);
    QIODevice* stream = source.start();
    ASSERT_NE(stream, nullptr);
    QByteArray captured;
    QObject::connect(stream, &QIODevice::readyRead, [&] { captured += stream->readAll(); });

    const QByteArray pcm = oneSecondOfPcm();
    // Silence after the tone pushes its last fragment through the source.
    const QByteArray written = pcm + QByteArray(16000, '\0');
    std::thread writer([&] { MicrophoneFeed::write(written); });
    const bool heard = QTest::qWaitFor([&] { return captured.contains(pcm); }, 10000);
    writer.join();
    source.stop();
    EXPECT_TRUE(heard) << "captured " << captured.size() << " bytes";
}

} // namespace
