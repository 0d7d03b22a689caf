// Hover reading in the real program: with "hoverReadEnabled" on, pointing at a
// paragraph of another application and clicking reads it aloud.
#include "hover_desktop/HoverTarget.h"

#include "engine/MlxServer.h"
#include "support/PortLock.h"
#include "support/ProgramRun.h"
#include "support/SpeakerMonitor.h"
#include "support/TestEngine.h"
#include "support/XTestPointer.h"

#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(HoverEndToEndTest, AClickOnAHoveredParagraphIsHeardFromTheSpeaker) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(MlxServer::port);
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());

    HoverTarget::Window target(HoverTarget::Window::Kind::Qt);
    ASSERT_TRUE(target.ready());
    std::map<QString, QRect> parts;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (parts = target.parts()).size() == 4; }, 10000));
    const QPoint paragraph = parts["second"].center();

    ProgramHome home(R"({"onboardingDone":true,"openWindowAtLaunch":false,"hoverReadEnabled":true,"hoverTrace":true})");
    QProcess program;
    ASSERT_TRUE(startProgram(program, home, engine));

    // The program shows its highlight once its launch has started hover reading.
    const QString trace = QStringLiteral(".local/share/Quorvane/hover-read.log");
    int step = 0;
    const bool highlighted = QTest::qWaitFor(
        [&] {
            pointer.moveTo(paragraph + QPoint(step++ % 2, 0));
            QTest::qWait(200);
            return home.read(trace).contains("SHOWING role=AXStaticText text=175 chars");
        },
        60000);
    ASSERT_TRUE(highlighted) << "hover trace:\n" << home.read(trace).toStdString();

    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    pointer.click();
    // The reading starts once the engine answers; the paragraph takes about 10 s.
    const bool heard = QTest::qWaitFor(
        [&] {
            QTest::qWait(500);
            return SpeakerMonitor::voicedSeconds(speaker.samples()) >= 2.0;
        },
        120000);
    const QByteArray recorded = speaker.stop();
    EXPECT_TRUE(heard) << "voiced " << SpeakerMonitor::voicedSeconds(recorded) << " s; engine log:\n"
                       << home.read(QStringLiteral(".local/share/Quorvane/mlx-server-logs/engine.log")).toStdString();

    // A second click stops the reading: the speaker falls silent.
    pointer.click();
    QTest::qWait(1500);
    SpeakerMonitor after;
    QTest::qWait(2000);
    EXPECT_LT(SpeakerMonitor::voicedSeconds(after.stop()), 0.3);

    EXPECT_TRUE(endProgram(program));
}

} // namespace
