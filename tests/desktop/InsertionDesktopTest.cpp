// Screen text and insertion against real applications under the desktop
// harness: a Qt target window (and a GTK entry) in another process, read and
// set through AT-SPI, pasted into through the clipboard and XTest.
#include "dictation/FrontmostApp.h"
#include "insertion/AXText.h"
#include "insertion/PasteService.h"
#include "platform/Accessibility.h"
#include "platform/Pasteboard.h"
#include "platform/linux/ClipboardPasteboard.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Defaults.h"
#include "support/TargetWindow.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

// X11 last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

const char* const kNoHarness = "run through scripts/run-tests.sh, which starts the desktop services";
const QString kHello = QStringLiteral("héllo \U0001F44B wörld");

// The Qt target window (this test program again, which serves the window when
// started for it) or the GTK window.
class Target : public TargetWindow::Process {
public:
    enum class Kind { Qt, Terminal, Gtk };

    explicit Target(Kind kind) : Process(program(kind), arguments(kind), environment(kind)) {}

private:
    static QString program(Kind kind) {
        return kind == Kind::Gtk ? QStringLiteral("/usr/bin/python3") : QCoreApplication::applicationFilePath();
    }
    static QStringList arguments(Kind kind) {
        if (kind == Kind::Gtk)
            return {QStringLiteral(QUORVANE_TEST_SOURCE "/support/gtk_target.py")};
        return {};
    }
    static QProcessEnvironment environment(Kind kind) {
        if (kind == Kind::Gtk)
            return QProcessEnvironment::systemEnvironment();
        return environmentFor(kind == Kind::Terminal ? TargetWindow::Kind::Terminal : TargetWindow::Kind::Application);
    }
};

class InsertionDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << kNoHarness;
        m_previous = Platform::install(m_linux.services());
        Defaults::shared().set(QStringLiteral("keepDictationOnClipboard"), false);
    }
    void TearDown() override {
        if (underHarness())
            Platform::install(m_previous);
        Defaults::shared().remove(QStringLiteral("keepDictationOnClipboard"));
    }

    // Starts a target, focuses a field and waits until the accessibility
    // layer sees the field focused in the frontmost application.
    std::unique_ptr<Target> startFocused(Target::Kind kind, const QString& field = QStringLiteral("line")) {
        auto target = std::make_unique<Target>(kind);
        if (!target->ready() || !target->ask(QStringLiteral("focus ") + field, QStringLiteral("focused")))
            return nullptr;
        const bool seen = QTest::qWaitFor(
            [&] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid() && AXText::focusedElement();
            },
            10000);
        return seen ? std::move(target) : nullptr;
    }

    // Waits until the target has asked for the pasted data. While it pastes it
    // answers no accessibility query, so reading waits until it has the data.
    static bool takenByTarget(int timeoutMs = 5000) {
        bool fetched = false;
        Platform::current().pasteboard->whenFetched([&] { fetched = true; });
        return QTest::qWaitFor([&] { return fetched; }, timeoutMs);
    }

    // Waits until the text before the caret ends with `expected`.
    static bool landed(const QString& expected, int timeoutMs = 5000) {
        return QTest::qWaitFor(
            [&] {
                const std::optional<QString> before = AXText::textBeforeCaret(expected.size());
                return before && *before == expected;
            },
            timeoutMs);
    }

    LinuxPlatform m_linux;
    Platform m_previous;
};

void checkUnicodeReading(Target& target) {
    ASSERT_TRUE(target.ask(QStringLiteral("type ") + kHello, QStringLiteral("typed")));
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return AXText::selectedRange() == AXText::Range{14, 0};
        },
        5000))
        << "caret at " << (AXText::selectedRange() ? AXText::selectedRange()->location : -1);
    EXPECT_EQ(AXText::textBeforeCaret(4), QStringLiteral("örld"));
    EXPECT_EQ(AXText::textBeforeCaret(8), QStringLiteral("\U0001F44B wörld"));
    EXPECT_EQ(AXText::textBeforeCaret(7), std::nullopt); // would split the hand
    EXPECT_EQ(AXText::textBeforeCaret(100), kHello);
    EXPECT_EQ(AXText::string({6, 2}), QStringLiteral("\U0001F44B"));
    EXPECT_TRUE(AXText::focusedIsEditable());
    EXPECT_EQ(AXText::roleOf(AXText::focusedElement()), AccessibleRole::TextField);

    EXPECT_TRUE(AXText::setSelectedRange(6, 2));
    EXPECT_EQ(AXText::selectedText(), QStringLiteral("\U0001F44B"));
    EXPECT_TRUE(AXText::setSelectedRange(10, 0));
    EXPECT_EQ(AXText::textBeforeCaret(2), QStringLiteral(" w"));
}

TEST_F(InsertionDesktopTest, AQtFieldIsReadInUtf16UnitsAndItsSelectionReadsBack) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    checkUnicodeReading(*target);
}

TEST_F(InsertionDesktopTest, ReadingFollowsTheFocusFromFieldToField) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->ask(QStringLiteral("type Line words"), QStringLiteral("typed")));
    ASSERT_TRUE(landed(QStringLiteral("Line words")));
    // Focus moves within the same window: the field read is the one focused now.
    ASSERT_TRUE(target->ask(QStringLiteral("focus area"), QStringLiteral("focused")));
    ASSERT_TRUE(target->ask(QStringLiteral("type Area words"), QStringLiteral("typed")));
    EXPECT_TRUE(landed(QStringLiteral("Area words")));
    EXPECT_EQ(AXText::textBeforeCaret(100), QStringLiteral("Area words"));
    ASSERT_TRUE(target->ask(QStringLiteral("focus line"), QStringLiteral("focused")));
    EXPECT_TRUE(landed(QStringLiteral("Line words")));
    EXPECT_EQ(AXText::roleOf(AXText::focusedElement()), AccessibleRole::TextField);
}

// The caret's context read ahead, with every question in flight at once, is
// the one read at once: for a caret and a selection, in a line and a text area,
// near the start of the text and where a cut would split a character.
TEST_F(InsertionDesktopTest, ACaretReadBegunAheadReadsWhatAReadAtOnceReads) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    Accessibility& accessibility = *Platform::current().accessibility;
    ASSERT_TRUE(QTest::qWaitFor([&] { return accessibility.readCaretAhead(8, 8) != nullptr; }, 5000))
        << "no read can be begun ahead";

    const auto agree = [](const char* where) {
        for (const qint64 length : {0, 2, 4, 7, 8, 100}) {
            const AXText::CaretContext now = AXText::caretContext(length);
            const AXText::CaretContext ahead = AXText::CaretContextRead(length).take();
            EXPECT_EQ(ahead.selection, now.selection) << where << ", length " << length;
            EXPECT_EQ(ahead.before, now.before) << where << ", length " << length;
        }
    };
    for (const QString& field : {QStringLiteral("line"), QStringLiteral("area")}) {
        ASSERT_TRUE(target->ask(QStringLiteral("focus ") + field, QStringLiteral("focused")));
        ASSERT_TRUE(target->ask(QStringLiteral("type ") + kHello, QStringLiteral("typed")));
        ASSERT_TRUE(landed(kHello));
        const std::unique_ptr<PendingCaretSlice> pending = accessibility.readCaretAhead(8, 8);
        ASSERT_TRUE(pending);
        const std::optional<CaretSlice> slice = pending->take();
        ASSERT_TRUE(slice) << qPrintable(field);
        EXPECT_EQ(slice->selection, AXText::Range({14, 0}));
        EXPECT_EQ(slice->start, 6);
        EXPECT_EQ(slice->text, kHello.mid(6));
        agree("caret at the end");
        ASSERT_TRUE(AXText::setSelectedRange(6, 2));
        agree("a selection");
        ASSERT_TRUE(AXText::setSelectedRange(1, 0));
        agree("caret after the first character");
    }

    // The element read last has lost the focus: the read finds the one that has it.
    ASSERT_TRUE(target->ask(QStringLiteral("focus line"), QStringLiteral("focused")));
    const AXText::CaretContext line = AXText::caretContext(100);
    ASSERT_TRUE(target->ask(QStringLiteral("focus area"), QStringLiteral("focused")));
    ASSERT_TRUE(target->ask(QStringLiteral("type  end"), QStringLiteral("typed")));
    const AXText::CaretContext area = AXText::CaretContextRead(100).take();
    ASSERT_TRUE(area.before);
    EXPECT_TRUE(area.before->endsWith(QStringLiteral(" end"))) << qPrintable(*area.before);
    EXPECT_NE(area.before, line.before);
}

bool hasGtk() {
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"), QStringLiteral("import gi; gi.require_version('Gtk', '3.0')")});
    return probe.waitForFinished(10000) && probe.exitCode() == 0;
}

TEST_F(InsertionDesktopTest, AGtkEntryIsReadInUtf16UnitsAndItsSelectionReadsBack) {
    if (!hasGtk())
        GTEST_SKIP() << "GTK 3 for Python is not installed";
    auto target = startFocused(Target::Kind::Gtk);
    ASSERT_TRUE(target);
    checkUnicodeReading(*target);
}

// A megabyte of text in a GTK view, which counts in code points, with a hand
// (two UTF-16 units) on every line: the offsets stay right as the text changes
// far before the caret, also when a change keeps the text's length.
TEST_F(InsertionDesktopTest, ALargeGtkTextKeepsItsUtf16OffsetsAsItChanges) {
    if (!hasGtk())
        GTEST_SKIP() << "GTK 3 for Python is not installed";
    auto target = startFocused(Target::Kind::Gtk, QStringLiteral("area"));
    ASSERT_TRUE(target);
    const QString text = QStringLiteral("lorem ipsum dolor sit amet \U0001F44B ");
    const QString line = text + QLatin1Char('\n'); // the target ends each line
    const qint64 lines = 1000000 / line.size();
    const qint64 handAt = line.indexOf(QStringLiteral("\U0001F44B"));
    ASSERT_TRUE(target->ask(QStringLiteral("fill %1 %2").arg(lines).arg(text), QStringLiteral("filled"), 20000));
    const qint64 end = lines * line.size();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return AXText::selectedRange() == AXText::Range{end, 0};
        },
        10000))
        << "caret at " << (AXText::selectedRange() ? AXText::selectedRange()->location : -1);
    EXPECT_EQ(AXText::textBeforeCaret(200), line.repeated(8).right(200));
    EXPECT_EQ(AXText::textBeforeCaret(line.size() - handAt - 1), std::nullopt); // would split the last hand

    // A hand in the middle, found by its UTF-16 offset.
    const qint64 middle = lines / 2 * line.size() + handAt;
    ASSERT_TRUE(AXText::setSelectedRange(middle, 2));
    EXPECT_EQ(AXText::selectedText(), QStringLiteral("\U0001F44B"));

    // A hand typed at the very start moves every offset after it by two.
    ASSERT_TRUE(AXText::setSelectedRange(0, 0));
    ASSERT_TRUE(target->ask(QStringLiteral("type \U0001F44B"), QStringLiteral("typed")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return AXText::selectedRange() == AXText::Range{2, 0}; }, 5000));
    EXPECT_TRUE(AXText::setSelectedRange(middle + 2, 2));
    EXPECT_EQ(AXText::selectedText(), QStringLiteral("\U0001F44B"));

    // The "l" after it becomes a hand: one code point for one, the length in
    // code points is the same, and every later offset moves by one unit.
    ASSERT_TRUE(AXText::setSelectedRange(2, 1));
    ASSERT_TRUE(target->ask(QStringLiteral("type \U0001F44B"), QStringLiteral("typed")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return AXText::selectedRange() == AXText::Range{4, 0}; }, 5000));
    EXPECT_EQ(AXText::textBeforeCaret(4), QStringLiteral("\U0001F44B\U0001F44B"));
    EXPECT_TRUE(AXText::setSelectedRange(middle + 3, 2));
    EXPECT_EQ(AXText::selectedText(), QStringLiteral("\U0001F44B"));
    EXPECT_TRUE(AXText::setSelectedRange(end + 3, 0));
    EXPECT_EQ(AXText::textBeforeCaret(200), line.repeated(8).right(200));
}

TEST_F(InsertionDesktopTest, TheSelectionRectangleHasAHeightInsideTheWindow) {
    auto target = startFocused(Target::Kind::Qt, QStringLiteral("area"));
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->ask(QStringLiteral("type two lines of text"), QStringLiteral("typed")));
    ASSERT_TRUE(landed(QStringLiteral("text")));
    EXPECT_EQ(AXText::roleOf(AXText::focusedElement()), AccessibleRole::TextArea);

    const std::optional<QRect> window = AXText::focusedWindowRect();
    ASSERT_TRUE(window);
    const std::optional<QRect> caret = AXText::selectionScreenRect();
    ASSERT_TRUE(caret);
    EXPECT_GT(caret->height(), 0);
    EXPECT_TRUE(window->contains(caret->topLeft())) << "caret outside the window";

    ASSERT_TRUE(AXText::setSelectedRange(4, 5));
    const std::optional<QRect> selection = AXText::selectionScreenRect();
    ASSERT_TRUE(selection);
    EXPECT_GT(selection->width(), 0);
    EXPECT_GT(selection->height(), 0);
}

TEST_F(InsertionDesktopTest, APasteLandsAndTheEarlierClipboardComesBackWithItsImage) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->ask(QStringLiteral("copy the user's own words"), QStringLiteral("copied")));
    Pasteboard* pasteboard = Platform::current().pasteboard;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pasteboard->snapshot().isEmpty(); }, 3000));

    const QString text = QStringLiteral("Grüße, \U0001F44B from Quorvane");
    PasteService::paste(text);
    ASSERT_TRUE(takenByTarget());
    EXPECT_TRUE(landed(text));

    // Back on the clipboard, as the target application reads it: the text and the image.
    QString answer;
    const bool restored = QTest::qWaitFor(
        [&] {
            answer = target->ask(QStringLiteral("clipboard"), QStringLiteral("clipboard")).value_or(QString());
            return answer.contains(QStringLiteral("image/png"))
                   && answer.endsWith(QString::fromLatin1(QStringLiteral("the user's own words").toUtf8().toBase64()));
        },
        5000);
    EXPECT_TRUE(restored) << answer.toStdString();
}

QByteArray plainText(const Pasteboard::Snapshot& snapshot) {
    for (const Pasteboard::Item& item : snapshot)
        for (const auto& [format, bytes] : item)
            if (format == QLatin1String("text/plain"))
                return bytes;
    return {};
}

TEST_F(InsertionDesktopTest, AClipboardTooLargeForOneTransferIsKeptWhole) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    const QString large = QStringLiteral("Grüße \U0001F44B ").repeated(40000); // about 480 kB as UTF-8
    ASSERT_TRUE(target->ask(QStringLiteral("copy ") + large, QStringLiteral("copied")));
    Pasteboard* pasteboard = Platform::current().pasteboard;
    Pasteboard::Snapshot snapshot;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(snapshot = pasteboard->snapshot()).isEmpty(); }, 3000));
    EXPECT_EQ(plainText(snapshot), large.toUtf8());
    bool png = false;
    for (const auto& [format, bytes] : snapshot.first())
        png = png || (format == QLatin1String("image/png") && QImage::fromData(bytes, "PNG").size() == QSize(8, 8));
    EXPECT_TRUE(png);
}

TEST_F(InsertionDesktopTest, AClipboardOwnerThatNeverAnswersCostsABoundedWait) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    // Another client takes the clipboard and then never reads its requests.
    Display* hung = XOpenDisplay(nullptr);
    ASSERT_TRUE(hung);
    const Window window = XCreateSimpleWindow(hung, DefaultRootWindow(hung), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(hung, "CLIPBOARD", False);
    XSetSelectionOwner(hung, clipboard, window, CurrentTime);
    XSync(hung, False);
    ASSERT_EQ(XGetSelectionOwner(hung, clipboard), window);

    // QClipboard on its own waits five seconds for each format it asks for.
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(Platform::current().pasteboard->snapshot().isEmpty());
    EXPECT_LT(clock.elapsed(), ClipboardPasteboard::kSnapshotBudget.count());

    const QString text = QStringLiteral("pasted past a hung owner");
    PasteService::paste(text);
    EXPECT_LT(clock.elapsed(), 2 * ClipboardPasteboard::kSnapshotBudget.count());
    ASSERT_TRUE(takenByTarget());
    EXPECT_TRUE(landed(text));
    XDestroyWindow(hung, window);
    XCloseDisplay(hung);
}

TEST_F(InsertionDesktopTest, TheDictationIsMarkedTransientWhileItIsOnTheClipboard) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    PasteService::copy(QStringLiteral("secret-ish"));
    // The target hears of the new owner by an X event, which may come after
    // our question: it is asked until it sees the copied text.
    const QString copied = QString::fromLatin1(QByteArray("secret-ish").toBase64());
    std::optional<QString> answer;
    for (int attempt = 0; attempt < 20 && !(answer && answer->contains(copied)); ++attempt)
        answer = target->ask(QStringLiteral("clipboard"), QStringLiteral("clipboard"));
    ASSERT_TRUE(answer && answer->contains(copied)) << answer.value_or(QString()).toStdString();
    EXPECT_TRUE(answer->contains(QStringLiteral("x-kde-passwordManagerHint"))) << answer->toStdString();
}

// Whether the key with this keysym is down on the X server, as XTest left it.
bool keyIsDown(Display* display, KeySym key) {
    char keys[32] = {};
    XQueryKeymap(display, keys);
    const KeyCode code = XKeysymToKeycode(display, key);
    return keys[code / 8] & (1 << (code % 8));
}

TEST_F(InsertionDesktopTest, AModifierTheUserStillHoldsDoesNotSpoilThePaste) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    XTestFakeKeyEvent(display, alt, True, CurrentTime); // still held from the hot key
    XSync(display, False);

    PasteService::paste(QStringLiteral("held alt"));
    ASSERT_TRUE(takenByTarget());
    EXPECT_TRUE(landed(QStringLiteral("held alt")));
    XSync(display, False);
    EXPECT_TRUE(keyIsDown(display, XK_Alt_L)) << "the held key was not pressed again";

    XTestFakeKeyEvent(display, alt, False, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
}

TEST_F(InsertionDesktopTest, ATerminalGetsControlShiftV) {
    auto target = startFocused(Target::Kind::Terminal);
    ASSERT_TRUE(target);
    const std::optional<FrontmostApp> front = FrontmostApp::current();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->bundleID, QStringLiteral("xterm"));

    PasteService::paste(QStringLiteral("echo pasted"));
    EXPECT_TRUE(target->waitFor(QStringLiteral("chord ctrl+shift+v"), 5000));
    ASSERT_TRUE(takenByTarget());
    EXPECT_TRUE(landed(QStringLiteral("echo pasted")));
}

TEST_F(InsertionDesktopTest, TheFrontmostApplicationIsTheTargetWindow) {
    auto target = startFocused(Target::Kind::Qt);
    ASSERT_TRUE(target);
    const std::optional<FrontmostApp> front = FrontmostApp::current();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->pid, target->pid());
    EXPECT_EQ(front->bundleID, QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower());
    EXPECT_FALSE(front->name.isEmpty());
}

} // namespace
