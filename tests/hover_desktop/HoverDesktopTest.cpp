// Hover reading on a real desktop: the pointer, moved through XTest onto a
// paragraph of a Qt or a GTK application, gets that paragraph highlighted with
// the notice above it; a click reads exactly its text, a click on a link or a
// button reads nothing.
#include "hover_desktop/HoverTarget.h"

#include "platform/linux/LinuxPlatform.h"
#include "reader/HoverReader.h"
#include "support/XTestPointer.h"

#include "insertion/AXText.h"
#include "support/Defaults.h"
#include "support/Paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPromise>
#include <QThread>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

namespace {

using HoverTarget::Window;

constexpr int kFindTimeoutMs = 20000;
// libatspi's time-out for a call, and how long it spares an application that
// has just joined the bus.
constexpr std::chrono::milliseconds kOneTimeOut{800};
constexpr std::chrono::milliseconds kStartupGrace{15500};

class HoverDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        m_previous = Platform::install(m_linux.services());
        QFile::remove(tracePath());
        Defaults::shared().set(QString::fromLatin1(AXText::kHoverTraceKey), true);
    }
    void TearDown() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            return;
        Platform::install(m_previous);
        Defaults::shared().remove(QString::fromLatin1(AXText::kHoverTraceKey));
    }

    static QString tracePath() {
        return QDir(Paths::applicationSupport()).filePath(QString::fromLatin1(AXText::kHoverTraceFile));
    }
    // The hover trace so far, for failure messages.
    static std::string trace() {
        QFile file(tracePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(no trace)");
    }

    // The reader with the real pointer watch and lookup, and a reader that
    // records what it is asked to read and reads until told.
    HoverReader::Services services() {
        HoverReader::Services s = HoverReader::Services::standard();
        s.speak = [this](const QString& text) {
            spoken << text;
            readings.push_back(std::make_unique<QPromise<void>>());
            readings.back()->start();
            return readings.back()->future();
        };
        s.stopReading = [this] { ++stops; };
        return s;
    }

    // Moves the pointer onto `at` and keeps it moving a point to and fro (the
    // target's accessible tree may come later than its window) until `done`.
    template <typename Done> bool pointUntil(XTestPointer& pointer, QPoint at, Done done) {
        int step = 0;
        return QTest::qWaitFor(
            [&] {
                pointer.moveTo(at + QPoint(step++ % 2, 0));
                QTest::qWait(150);
                return done();
            },
            kFindTimeoutMs);
    }

    QStringList spoken;
    std::vector<std::unique_ptr<QPromise<void>>> readings;
    int stops = 0;

private:
    LinuxPlatform m_linux;
    Platform m_previous;
};

class HoverToolkitTest : public HoverDesktopTest, public testing::WithParamInterface<Window::Kind> {};

TEST_P(HoverToolkitTest, TheParagraphUnderThePointerIsHighlightedAndReadOnClickButLinksAndButtonsAreNot) {
    Window target(GetParam());
    ASSERT_TRUE(target.ready());
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());
    std::map<QString, QRect> parts;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (parts = target.parts()).size() == 4; }, 10000));
    const QRect paragraph = parts["second"];

    HoverReader reader(services());
    reader.start();
    ASSERT_TRUE(reader.isStarted());
    const QRect expectedHighlight = paragraph.adjusted(-6, -3, 6, 3);
    const bool highlighted = pointUntil(pointer, paragraph.center(), [&] {
        return reader.highlightPanel() && reader.highlightPanel()->isVisible()
               && reader.highlightPanel()->geometry() == expectedHighlight;
    });
    ASSERT_TRUE(highlighted) << "no highlight round " << paragraph.x() << "," << paragraph.y() << " "
                             << paragraph.width() << "x" << paragraph.height() << "; panel at "
                             << (reader.highlightPanel() ? reader.highlightPanel()->geometry().y() : -1);
    const QRect notice = reader.noticePanel()->geometry();
    EXPECT_TRUE(reader.noticePanel()->isVisible());
    EXPECT_EQ(notice.left(), paragraph.left() - 6);
    EXPECT_EQ(notice.top() + notice.height() + 7, paragraph.top());

    // The click passes through the panels to the application and reads exactly the paragraph.
    pointer.click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !spoken.isEmpty(); }, 5000)) << trace();
    EXPECT_EQ(spoken, QStringList{HoverTarget::kSecondParagraph});
    EXPECT_TRUE(reader.noticeModel().reading());
    readings.back()->finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reader.state().playing(); }, 2000));

    for (const QString& part : {QStringLiteral("link"), QStringLiteral("button")}) {
        pointer.moveTo(parts[part].center());
        QTest::qWait(300);
        pointer.click();
        QTest::qWait(500);
        EXPECT_EQ(spoken.size(), 1) << "a click on the " << part.toStdString() << " was read:\n" << trace();
    }
    EXPECT_EQ(stops, 0);
    reader.stop();
}

TEST_P(HoverToolkitTest, AHungApplicationCostsOneTimeOutPerLookup) {
    Window target(GetParam());
    ASSERT_TRUE(target.ready());
    std::map<QString, QRect> parts;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (parts = target.parts()).size() == 4; }, 10000));
    const QPoint paragraph = parts["second"].center();
    ASSERT_TRUE(QTest::qWaitFor([&] { return AXText::readableTargetAt(paragraph).has_value(); }, kFindTimeoutMs));
    // The accessibility library is lenient with applications in their first
    // seconds on the bus; the rule holds once that grace has passed.
    QTest::qWait(int(kStartupGrace.count()));

    ASSERT_EQ(::kill(pid_t(target.pid()), SIGSTOP), 0);
    QElapsedTimer clock;
    for (int lookup = 0; lookup < 2; ++lookup) {
        clock.start();
        EXPECT_FALSE(AXText::readableTargetAt(paragraph).has_value());
        const qint64 spent = clock.elapsed();
        EXPECT_LT(spent, kOneTimeOut.count() * 2) << "lookup " << lookup << " took " << spent << " ms";
        std::cout << "hung lookup " << lookup << ": " << spent << " ms" << std::endl;
    }
    ::kill(pid_t(target.pid()), SIGCONT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return AXText::readableTargetAt(paragraph).has_value(); }, kFindTimeoutMs));
}

TEST_F(HoverDesktopTest, OverTheProgramsOwnWindowsNoBlockIsFoundAndClicksAreMarkedAsOwn) {
    QWidget window;
    auto* label = new QLabel(HoverTarget::kSecondParagraph, &window);
    label->setWordWrap(true);
    label->setGeometry(10, 10, 400, 100);
    window.resize(420, 120);
    window.move(700, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint inside = label->mapToGlobal(label->rect().center());

    EXPECT_EQ(Platform::current().accessibility->elementAt(inside), nullptr);
    EXPECT_FALSE(AXText::readableTargetAt(inside).has_value());

    PointerWatch* watch = Platform::current().pointerWatch;
    ASSERT_NE(watch, nullptr);
    std::vector<PointerWatch::Event> events;
    const std::optional<PointerWatch::WatchId> id =
        watch->startWatching([&](const PointerWatch::Event& event) { events.push_back(event); });
    ASSERT_TRUE(id);
    XTestPointer pointer;
    pointer.moveTo(inside);
    pointer.click();
    const auto released = [&] {
        return std::any_of(events.begin(), events.end(),
                           [](const auto& e) { return e.kind == PointerWatch::EventKind::LeftUp; });
    };
    EXPECT_TRUE(QTest::qWaitFor(released, 5000));
    watch->stopWatching(*id);
    for (const PointerWatch::Event& event : events) {
        EXPECT_EQ(event.position.toPoint(), inside);
        if (event.kind != PointerWatch::EventKind::Moved) {
            EXPECT_TRUE(event.overOwnWindow);
        }
    }
}

// A text selection made while the program's GUI thread is busy (a lookup
// waiting on a slow application, a long layout): by the time the program
// handles the press and the release, the pointer has long come to rest.
TEST_F(HoverDesktopTest, ADragMadeWhileTheProgramIsBusyIsADragNotAClick) {
    Window target(Window::Kind::Qt);
    ASSERT_TRUE(target.ready());
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());
    std::map<QString, QRect> parts;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (parts = target.parts()).size() == 4; }, 10000));
    const QRect paragraph = parts["second"];
    const QPoint from(paragraph.left() + 10, paragraph.center().y());
    const QPoint to(paragraph.right() - 10, paragraph.center().y());

    HoverReader reader(services());
    reader.start();
    ASSERT_TRUE(pointUntil(pointer, from, [&] {
        return reader.highlightPanel() && reader.highlightPanel()->isVisible();
    })) << trace();
    pointer.moveTo(from);
    QTest::qWait(300);

    std::vector<PointerWatch::Event> events;
    PointerWatch* watch = Platform::current().pointerWatch;
    const std::optional<PointerWatch::WatchId> id =
        watch->startWatching([&](const PointerWatch::Event& event) { events.push_back(event); });
    ASSERT_TRUE(id);
    pointer.press();
    pointer.moveTo(QPoint((from.x() + to.x()) / 2, from.y()));
    pointer.moveTo(to);
    pointer.release();
    pointer.sync();
    QThread::msleep(300); // busy: nothing is handled until the drag is over
    const auto released = [&] {
        return std::any_of(events.begin(), events.end(),
                           [](const auto& e) { return e.kind == PointerWatch::EventKind::LeftUp; });
    };
    ASSERT_TRUE(QTest::qWaitFor(released, 5000));
    watch->stopWatching(*id);
    QTest::qWait(500);
    EXPECT_TRUE(spoken.isEmpty()) << "the selection was taken for a click and read:\n" << trace();

    std::optional<QPointF> down, up;
    for (const PointerWatch::Event& event : events) {
        if (event.kind == PointerWatch::EventKind::LeftDown)
            down = event.position;
        if (event.kind == PointerWatch::EventKind::LeftUp)
            up = event.position;
    }
    ASSERT_TRUE(down && up);
    EXPECT_EQ(down->toPoint(), from);
    EXPECT_EQ(up->toPoint(), to);
    reader.stop();
}

INSTANTIATE_TEST_SUITE_P(Toolkits, HoverToolkitTest, testing::Values(Window::Kind::Qt, Window::Kind::Gtk),
                         [](const testing::TestParamInfo<Window::Kind>& info) {
                             return info.param == Window::Kind::Qt ? "Qt" : "Gtk";
                         });

} // namespace
