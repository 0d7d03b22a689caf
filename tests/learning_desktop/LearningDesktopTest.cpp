// The helper's accessibility and key-watch commands and the selection clean-up
// chip against a Qt target window in another process, through AT-SPI, XInput2
// and XTest on the harness's display.
#include "audio/Recorder.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "dictation/DictationController.h"
#include "dictation/FrontmostApp.h"
#include "dictation/SystemAudio.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "insertion/AXText.h"
#include "learning/CorrectionChip.h"
#include "learning/CorrectionChipView.h"
#include "learning/CorrectionLearner.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionWatch.h"
#include "learning/SelectionCleanup.h"
#include "platform/linux/LinuxPlatform.h"
#include "state/AppState.h"
#include "stores/DictionaryStore.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/LoopbackHttpServer.h"
#include "support/MicrophoneFeed.h"
#include "support/QtPrinting.h"
#include "support/TargetWindow.h"
#include "support/TempFolder.h"
#include "support/XTestKeyboard.h"
#include "support/XTestPointer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QtEndian>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

// X11 last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

const char* const kNoHarness = "run through scripts/run-tests.sh, which starts the desktop services";

class Target : public TargetWindow::Process {
public:
    Target() : Process(QCoreApplication::applicationFilePath(), {}, environmentFor(TargetWindow::Kind::Application)) {}
};

struct HelperRun {
    int status = -1;
    QByteArray out;
};

HelperRun helper(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUORVANE_REAL_HELPER), arguments);
    HelperRun run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "the helper was ended by signal " << process.exitCode();
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    return run;
}

// The speech server on the engine's port: the readiness probe, and every
// transcription (live previews too) answered with the text set last.
class ScriptedSpeechServer {
public:
    ScriptedSpeechServer() {
        m_http.on("GET", "/v1/models",
                  [](const auto&) { return LoopbackHttpServer::Response::json(R"({"data":[]})"); });
        m_http.on("POST", "/v1/audio/transcriptions", [this](const auto&) {
            return LoopbackHttpServer::Response::json(QJsonDocument(QJsonObject{{"text", m_text}}).toJson());
        });
        m_listening = m_http.listen(MlxServer::port);
    }
    bool listening() const { return m_listening; }
    void setText(const QString& text) { m_text = text; }

private:
    LoopbackHttpServer m_http;
    QString m_text;
    bool m_listening = false;
};

constexpr int kSampleRate = 16000;
// One take: a second of sound, well past the shortest take that is sent.
constexpr qsizetype kTakeSamples = kSampleRate;

// `samples` of a 440 Hz tone as 16 kHz s16le PCM, loud enough to count as heard.
QByteArray tone(qsizetype samples) {
    QByteArray pcm(samples * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < samples; ++i) {
        const double value = 0.3 * std::sin(2 * std::numbers::pi * 440 * double(i) / kSampleRate);
        qToLittleEndian<qint16>(qint16(value * 32767), pcm.data() + 2 * i);
    }
    return pcm;
}

// Clicks the left button at a global position.
void click(const QPoint& at) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    XCloseDisplay(display);
}

class LearningDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << kNoHarness;
        m_previous = Platform::install(m_linux.services());
    }
    void TearDown() override {
        if (underHarness())
            Platform::install(m_previous);
    }

    // Starts the target with `text` typed into its line and waits until the
    // accessibility layer sees the line focused in the frontmost application.
    std::unique_ptr<Target> startWith(const QString& text, const QString& field = QStringLiteral("line")) {
        auto target = std::make_unique<Target>();
        if (!target->ready() || !target->ask(QStringLiteral("focus ") + field, QStringLiteral("focused"))
            || (!text.isEmpty() && !target->ask(QStringLiteral("type ") + text, QStringLiteral("typed"))))
            return nullptr;
        const bool seen = QTest::qWaitFor(
            [&] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                if (!front || front->pid != target->pid())
                    return false;
                if (text.isEmpty())
                    return AXText::selectedRange() == AXText::Range{0, 0};
                return AXText::textBeforeCaret(text.size()) == text;
            },
            10000);
        return seen ? std::move(target) : nullptr;
    }

    LinuxPlatform m_linux;
    Platform m_previous;
};

TEST_F(LearningDesktopTest, HelperReadsAndSetsTheSelectionOfTheTargetInUtf16Units) {
    const auto target = startWith(QStringLiteral("\U0001F600 hello"));
    ASSERT_TRUE(target);

    HelperRun run = helper({"sel-get"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "{\"location\":8,\"length\":0}\n");

    run = helper({"caret"});
    EXPECT_EQ(run.status, 0);
    const QJsonObject caret = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(caret.keys(), (QStringList{"h", "w", "x", "y"})) << run.out.toStdString();
    EXPECT_TRUE(run.out.startsWith("{\"x\":")) << run.out.toStdString();
    EXPECT_GT(caret.value("h").toInt(), 0);

    EXPECT_EQ(helper({"sel-set", "3", "5"}).status, 0);
    EXPECT_EQ(helper({"sel-get"}).out, "{\"location\":3,\"length\":5}\n");
    EXPECT_EQ(AXText::selectedText(), QStringLiteral("hello"));

    // Counts whose sum passes any integer: refused, and the selection stays.
    const QString max = QString::number(std::numeric_limits<qint64>::max());
    EXPECT_EQ(helper({"sel-set", max, max}).status, 1);
    EXPECT_EQ(helper({"sel-set", "3", max}).status, 1);
    EXPECT_EQ(helper({"sel-get"}).out, "{\"location\":3,\"length\":5}\n");

    EXPECT_EQ(helper({"sel-set", "3"}).status, 64);
    EXPECT_EQ(helper({"sel-set", "20", "0"}).status, 1) << "a caret past the end does not read back";
}

TEST_F(LearningDesktopTest, HelperKeyWatchPrintsTheStoredCodeOfEachPress) {
    QProcess watch;
    watch.start(QStringLiteral(QUORVANE_REAL_HELPER), {QStringLiteral("key-watch")});
    ASSERT_TRUE(watch.waitForStarted(5000));
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    QByteArray printed;
    // The watch needs a moment to select its events: press until one shows.
    const bool seen = QTest::qWaitFor(
        [&] {
            keyboard.tap("a");
            QTest::qWait(100);
            printed += watch.readAllStandardOutput();
            return printed.contains("key 0\n");
        },
        10000);
    EXPECT_TRUE(seen) << printed.toStdString();
    keyboard.tap("Shift_L");
    keyboard.tap("Return");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            printed += watch.readAllStandardOutput();
            return printed.endsWith("key 36\n");
        },
        5000))
        << printed.toStdString();
    EXPECT_FALSE(printed.contains("key 56")) << "modifier changes print nothing";
    watch.kill();
    watch.waitForFinished();
}

TEST_F(LearningDesktopTest, SelectionChipCleansOnlyTheSelectionInPlace) {
    const QString filler = QStringLiteral("so um I think that we should uh meet on Monday");
    const QString before = QStringLiteral("Notes: ");
    const QString after = QStringLiteral(" End.");
    const auto target = startWith(before + filler + after);
    ASSERT_TRUE(target);

    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    AppState state;
    CleanupEngine cleanup(defaults, LlmServer::shared());
    SelectionCleanup chip({defaults, state, cleanup, {}, {}});
    chip.start();
    // The session's accessibility flag is learnt from the bus a moment after start.
    ASSERT_TRUE(QTest::qWaitFor([] { return Platform::current().accessibility->isTrusted(); }, 5000));

    ASSERT_TRUE(AXText::setSelectedRange(before.size(), filler.size()));
    XTestKeyboard keyboard;
    keyboard.tap("Shift_L");
    ASSERT_TRUE(QTest::qWaitFor([&] { return chip.isShown(); }, 1000)) << "the chip comes within a second";
    ASSERT_TRUE(QTest::qWaitFor([&] { return chip.panel()->isVisible(); }, 1000));

    click(chip.panel()->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return chip.chipState() == SelectionCleanup::ChipState::Done; }, 10000));
    std::optional<QString> field;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            field = AXText::textBeforeCaret(200);
            return field && !field->contains(QStringLiteral(" um "));
        },
        5000));
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->startsWith(before)) << field->toStdString();
    EXPECT_FALSE(field->contains(QStringLiteral(" uh "))) << field->toStdString();
    const std::optional<QString> whole = AXText::focusedElement()->text(0, std::numeric_limits<qint64>::max());
    EXPECT_TRUE(whole && whole->endsWith(after)) << (whole ? whole->toStdString() : "unreadable");
    const std::optional<FrontmostApp> front = FrontmostApp::current();
    EXPECT_TRUE(front && front->pid == target->pid()) << "the target keeps the focus";
}

TEST_F(LearningDesktopTest, SelectionChipKeepsATripleClickedParagraphsEdgesAndItsCaseAsAFragment) {
    const QString first = QStringLiteral("The first paragraph stays.");
    const QString fragment = QStringLiteral("  so um we should uh meet on monday after lunch");
    const QString last = QStringLiteral("The last one stays too.");
    const auto target = startWith(QString(), QStringLiteral("area"));
    ASSERT_TRUE(target);
    XTestKeyboard keyboard;
    const auto whole = []() -> std::optional<QString> {
        const AXText::Element field = AXText::focusedElement();
        return field ? field->text(0, std::numeric_limits<qint64>::max()) : std::nullopt;
    };
    // Three paragraphs, typed as a user would, a Return after each of the first two.
    for (const QString& paragraph : {first, fragment}) {
        ASSERT_TRUE(target->ask(QStringLiteral("type ") + paragraph, QStringLiteral("typed")));
        const QString before = whole().value_or(QString());
        keyboard.tap("Return");
        ASSERT_TRUE(QTest::qWaitFor([&] { return whole() == before + QLatin1Char('\n'); }, 5000))
            << whole().value_or(QStringLiteral("unreadable")).toStdString();
    }
    ASSERT_TRUE(target->ask(QStringLiteral("type ") + last, QStringLiteral("typed")));
    const QString typed = first + QLatin1Char('\n') + fragment + QLatin1Char('\n') + last;
    ASSERT_TRUE(QTest::qWaitFor([&] { return whole() == typed; }, 5000))
        << whole().value_or(QStringLiteral("unreadable")).toStdString();

    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    AppState state;
    CleanupEngine cleanup(defaults, LlmServer::shared());
    SelectionCleanup chip({defaults, state, cleanup, {}, {}});
    chip.start();
    ASSERT_TRUE(QTest::qWaitFor([] { return Platform::current().accessibility->isTrusted(); }, 5000));

    // A triple click on the second paragraph selects it with its line break.
    const qint64 word = first.size() + 1 + fragment.indexOf(QStringLiteral("meet"));
    const AXText::Element field = AXText::focusedElement();
    ASSERT_TRUE(field);
    const std::optional<QRect> bounds = field->boundsForRange({word, 4});
    ASSERT_TRUE(bounds);
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());
    pointer.moveTo(bounds->center());
    for (int i = 0; i < 3; ++i)
        pointer.click();
    pointer.sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return AXText::selectedText() == fragment + QLatin1Char('\n'); }, 5000))
        << AXText::selectedText().value_or(QStringLiteral("none")).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chip.isShown() && chip.panel()->isVisible(); }, 2000));

    click(chip.panel()->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return chip.chipState() == SelectionCleanup::ChipState::Done; }, 10000));
    const QString cleaned = first + QStringLiteral("\n  so we should meet on monday after lunch\n") + last;
    EXPECT_TRUE(QTest::qWaitFor([&] { return whole() == cleaned; }, 5000))
        << whole().value_or(QStringLiteral("unreadable")).toStdString();
}

TEST_F(LearningDesktopTest, SelectionChipNeverShowsForAReadOnlyField) {
    const QString filler = QStringLiteral("so um I think that we should uh meet on Monday");
    const auto target = startWith(filler);
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->ask(QStringLiteral("readonly on"), QStringLiteral("readonly")));

    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    AppState state;
    CleanupEngine cleanup(defaults, LlmServer::shared());
    SelectionCleanup chip({defaults, state, cleanup, {}, {}});
    chip.start();
    ASSERT_TRUE(QTest::qWaitFor([] { return Platform::current().accessibility->isTrusted(); }, 5000));

    ASSERT_TRUE(AXText::setSelectedRange(0, filler.size()));
    ASSERT_EQ(AXText::selectedText(), filler);
    XTestKeyboard keyboard;
    keyboard.tap("Shift_L");
    EXPECT_FALSE(QTest::qWaitFor([&] { return chip.isShown(); }, 1500)) << "a read-only field takes no clean-up";
    EXPECT_FALSE(chip.panel() && chip.panel()->isVisible());

    // The same selection once the field takes typing again: only the read-only
    // state kept the chip away.
    ASSERT_TRUE(target->ask(QStringLiteral("readonly off"), QStringLiteral("readonly")));
    keyboard.tap("Shift_L");
    EXPECT_TRUE(QTest::qWaitFor([&] { return chip.isShown(); }, 1500));
}

TEST_F(LearningDesktopTest, ACorrectionOfADictatedWordIsOfferedAfterTheNextDictation) {
    const QString dictated = QStringLiteral("I will recieve it tomorrow");
    ScriptedSpeechServer speech;
    ASSERT_TRUE(speech.listening()) << "port 50061 is taken";
    const auto target = startWith(QString());
    ASSERT_TRUE(target);
    ASSERT_TRUE(QTest::qWaitFor([] { return Platform::current().accessibility->isTrusted(); }, 5000));

    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    defaults.set(QStringLiteral("learnCorrections"), true);
    // Without clean-up the rules keep the words as heard, misspelling and all.
    defaults.set(QStringLiteral("autoCleanLevel"), QStringLiteral("off"));
    DictionaryStore dictionary(folder.path());
    CorrectionLedger ledger(defaults);
    QStringList traces;
    CorrectionWatch watch({defaults, ledger, [&](const QString& word) { return dictionary.contains(word); },
                           [&](const QString& line) { traces << line; }});
    CorrectionChip chip({watch, ledger, [&](const QString& canonical, const QStringList& variants) {
                             dictionary.add(canonical, variants);
                         }});
    CorrectionLearner learner(watch, chip);
    // What the field held when the chip took the pending correction.
    std::optional<QString> fieldWhenOffered;
    QObject::connect(&watch, &CorrectionWatch::pendingChanged, [&] {
        if (!watch.pending())
            fieldWhenOffered = AXText::textBeforeCaret(100);
    });
    const auto targetInFront = [&] {
        const std::optional<FrontmostApp> front = FrontmostApp::current();
        return front && front->pid == target->pid();
    };

    ModeStore modes(defaults);
    HistoryStore history(folder.path(), defaults);
    StatsStore stats(folder.path());
    MlxServer speechServer;
    LlmServer cleanupServer;
    CleanupEngine cleanup(defaults, cleanupServer);
    SystemAudio audio(nullptr, &defaults, folder.file(QStringLiteral("ducked-volume.json")));
    AppState state;
    Recorder recorder;
    DictationController controller(state, defaults, recorder,
                                   {modes, history, stats, speechServer, cleanupServer, audio, cleanup},
                                   DictationPeers{nullptr, &learner, nullptr, nullptr});
    const auto dictate = [&](const QString& heard) {
        speech.setText(heard);
        controller.toggle();
        ASSERT_TRUE(state.isRecording()) << state.flashMessage().toStdString();
        const qsizetype wanted = recorder.sampleCount() + kTakeSamples;
        ASSERT_TRUE(MicrophoneFeed::speak(tone(kTakeSamples), [&] { return recorder.sampleCount() >= wanted; }));
        ASSERT_TRUE(awaitFuture(controller.toggle(), 30000));
    };

    dictate(dictated);
    ASSERT_TRUE(QTest::qWaitFor([&] { return AXText::textBeforeCaret(100) == dictated; }, 5000))
        << AXText::textBeforeCaret(100).value_or(QStringLiteral("unreadable")).toStdString();
    EXPECT_EQ(traces, QStringList{"correction: nothing written to compare"});
    EXPECT_FALSE(chip.isShown());

    // The user selects the misspelt word with the keyboard and types over it.
    XTestKeyboard keyboard;
    keyboard.tap("Home");
    for (int i = 0; i < 7; ++i)
        keyboard.tap("Right");
    keyboard.press("Shift_L");
    for (int i = 0; i < 7; ++i)
        keyboard.tap("Right");
    keyboard.release("Shift_L");
    ASSERT_TRUE(QTest::qWaitFor([] { return AXText::selectedText() == QStringLiteral("recieve"); }, 5000));
    for (const char* key : {"r", "e", "c", "e", "i", "v", "e"})
        keyboard.tap(key);
    keyboard.tap("End");
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return AXText::textBeforeCaret(100) == QStringLiteral("I will receive it tomorrow"); }, 5000));

    traces.clear();
    dictate(QStringLiteral("see you then"));
    EXPECT_EQ(traces, QStringList{"correction: recieve -> receive near=true ask=true"});
    ASSERT_TRUE(chip.isShown());
    ASSERT_TRUE(fieldWhenOffered);
    EXPECT_TRUE(fieldWhenOffered->endsWith(QStringLiteral("see you then")))
        << "the chip comes after the dictation's insertion: " << fieldWhenOffered->toStdString();
    EXPECT_EQ(chip.panel()->title(), QStringLiteral("Remember “receive”?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return chip.panel()->isVisible(); }, 1000));
    QTest::qWait(200);
    EXPECT_TRUE(targetInFront()) << "the chip takes no focus";

    QPushButton* add = chip.panel()->addButton();
    click(add->mapToGlobal(add->rect().center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !chip.isShown(); }, 5000));
    DictionaryStore stored(folder.path());
    ASSERT_EQ(stored.entries().size(), 1);
    EXPECT_EQ(stored.entries().front().canonical, QStringLiteral("receive"));
    EXPECT_EQ(stored.entries().front().variants, QStringList{"recieve"});
    EXPECT_TRUE(targetInFront()) << "the target keeps the focus";
}

} // namespace
