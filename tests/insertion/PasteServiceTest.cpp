#include "insertion/PasteService.h"

#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Collects the scheduled tasks so that a test runs them when it chooses.
class ManualSchedule {
public:
    ManualSchedule()
        : m_previous(PasteService::setScheduler([this](std::chrono::milliseconds delay, std::function<void()> task) {
              pending.push_back({delay, std::move(task)});
          })) {}
    // Runs what is left, so that no paste stays pending into the next test.
    ~ManualSchedule() {
        while (!pending.empty())
            runNext();
        PasteService::setScheduler(std::move(m_previous));
    }

    // Runs the oldest pending task and returns its delay.
    std::chrono::milliseconds runNext() {
        auto [delay, task] = std::move(pending.front());
        pending.erase(pending.begin());
        task();
        return delay;
    }

    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> pending;

private:
    PasteService::Schedule m_previous;
};

const Pasteboard::Snapshot kUserClipboard = {
    {{QStringLiteral("text/plain"), QByteArray("user text")},
     {QStringLiteral("text/html"), QByteArray("<b>user text</b>")},
     {QStringLiteral("image/png"), QByteArray("\x89PNG fake", 9)}},
};

class PasteServiceTest : public testing::Test {
protected:
    PasteServiceTest() {
        Defaults::shared().remove(QStringLiteral("keepDictationOnClipboard"));
        fakes.pasteboard.items = kUserClipboard;
    }
    ~PasteServiceTest() override { Defaults::shared().remove(QStringLiteral("keepDictationOnClipboard")); }

    void keep(bool value) { Defaults::shared().set(QStringLiteral("keepDictationOnClipboard"), value); }

    ScopedFakePlatform fakes;
    ManualSchedule timers;
};

TEST_F(PasteServiceTest, ByDefaultTheDictationStaysOnTheClipboardUnmarked) {
    PasteService::paste(QStringLiteral("Grüße, 👋"));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("Grüße, 👋"));
    EXPECT_FALSE(fakes.pasteboard.isTransient());
    EXPECT_EQ(fakes.keySynth.posted, QStringList{QStringLiteral("paste")});
    EXPECT_TRUE(timers.pending.empty());

    // A value that is not a Boolean counts as keeping.
    Defaults::shared().set(QStringLiteral("keepDictationOnClipboard"), QStringLiteral("no"));
    PasteService::paste(QStringLiteral("third"));
    EXPECT_TRUE(timers.pending.empty());
    EXPECT_FALSE(fakes.pasteboard.isTransient());
}

TEST_F(PasteServiceTest, NotKeepingMarksTheTextAndRestoresEveryFormatOnceTheTargetTookIt) {
    keep(false);
    PasteService::paste(QStringLiteral("dictated"));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("dictated"));
    EXPECT_TRUE(fakes.pasteboard.isTransient());

    fakes.pasteboard.targetFetches();
    ASSERT_EQ(timers.pending.size(), 1u);
    EXPECT_EQ(timers.runNext(), 400ms);
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard);
    EXPECT_EQ(fakes.pasteboard.restores, 1);

    timers.runNext(); // the cap finds the work done
    EXPECT_EQ(fakes.pasteboard.restores, 1);
}

TEST_F(PasteServiceTest, ASlowTargetGetsTheDictationNotTheEarlierClipboard) {
    keep(false);
    PasteService::paste(QStringLiteral("dictated"));
    timers.runNext(); // 0.4 s: the target has not asked yet
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("dictated"));

    fakes.pasteboard.targetFetches();
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard);
}

TEST_F(PasteServiceTest, ATargetThatNeverAsksGetsTheClipboardBackAtTheCap) {
    keep(false);
    PasteService::paste(QStringLiteral("dictated"));
    timers.runNext();
    ASSERT_EQ(timers.pending.size(), 1u);
    EXPECT_EQ(timers.pending.front().first + PasteService::kRestoreDelay, PasteService::kRestoreCap);
    timers.runNext();
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard);
}

TEST_F(PasteServiceTest, ACopyByAnotherApplicationMeanwhileStays) {
    keep(false);
    PasteService::paste(QStringLiteral("dictated"));
    fakes.pasteboard.otherAppCopies(QStringLiteral("copied elsewhere"));
    timers.runNext();
    EXPECT_TRUE(timers.pending.empty());
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("copied elsewhere"));

    // The same when the copy comes after 0.4 s but before the target asked.
    PasteService::paste(QStringLiteral("dictated"));
    timers.runNext();
    fakes.pasteboard.otherAppCopies(QStringLiteral("later copy"));
    timers.runNext();
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("later copy"));
    EXPECT_EQ(fakes.pasteboard.restores, 0);
}

TEST_F(PasteServiceTest, TwoQuickPastesPutBackTheUsersClipboardNotTheFirstDictation) {
    keep(false);
    PasteService::paste(QStringLiteral("first"));
    PasteService::paste(QStringLiteral("second"));
    fakes.pasteboard.targetFetches();
    timers.runNext(); // the first paste's restore: the clipboard moved on
    timers.runNext(); // the second paste's
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard);
    EXPECT_EQ(fakes.pasteboard.restores, 1);

    // Once restored, the next paste takes a fresh snapshot.
    fakes.pasteboard.otherAppCopies(QStringLiteral("new user text"));
    PasteService::paste(QStringLiteral("third"));
    fakes.pasteboard.targetFetches();
    while (!timers.pending.empty())
        timers.runNext();
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("new user text"));
}

TEST_F(PasteServiceTest, AQuitPutsTheUsersClipboardBackAtOnceOnceTheTargetHasTheText) {
    keep(false);
    PasteService::paste(QStringLiteral("dictated"));
    fakes.pasteboard.targetFetches();
    const QFuture<void> back = PasteService::putBackBeforeQuit();
    EXPECT_TRUE(back.isFinished());
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard) << "no timer fires once the program has quit";
    while (!timers.pending.empty())
        timers.runNext();
    EXPECT_EQ(fakes.pasteboard.restores, 1);

    // A target still to fetch the text gets it first; the quit waits for the restore.
    PasteService::paste(QStringLiteral("dictated again"));
    const QFuture<void> later = PasteService::putBackBeforeQuit();
    EXPECT_FALSE(later.isFinished());
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("dictated again"));
    timers.runNext();
    fakes.pasteboard.targetFetches();
    EXPECT_TRUE(later.isFinished());
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard);

    // Nothing borrowed, or a clipboard another application took: nothing to wait for or put back.
    EXPECT_TRUE(PasteService::putBackBeforeQuit().isFinished());
    PasteService::paste(QStringLiteral("dictated a third time"));
    fakes.pasteboard.otherAppCopies(QStringLiteral("copied elsewhere"));
    EXPECT_TRUE(PasteService::putBackBeforeQuit().isFinished());
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("copied elsewhere"));
    EXPECT_EQ(fakes.pasteboard.restores, 2);
}

TEST_F(PasteServiceTest, AnEmptyEarlierClipboardIsEmptyAgain) {
    keep(false);
    fakes.pasteboard.items.clear();
    PasteService::paste(QStringLiteral("dictated"));
    fakes.pasteboard.targetFetches();
    timers.runNext();
    EXPECT_TRUE(fakes.pasteboard.items.isEmpty());
}

TEST_F(PasteServiceTest, EmptyTextLeavesTheClipboardAloneAndCopyWritesWithoutKeystrokeOrRestore) {
    keep(false);
    PasteService::paste(QString());
    PasteService::copy(QString());
    EXPECT_EQ(fakes.pasteboard.items, kUserClipboard);

    PasteService::copy(QStringLiteral("copied"));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("copied"));
    EXPECT_TRUE(fakes.pasteboard.isTransient());
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
    EXPECT_TRUE(timers.pending.empty());
}

TEST_F(PasteServiceTest, WithoutKeystrokesTheTextIsOnlyCopiedAndKept) {
    keep(false);
    fakes.keySynth.available = false;
    PasteService::paste(QStringLiteral("dictated"));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("dictated"));
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
    EXPECT_TRUE(timers.pending.empty());
}

TEST_F(PasteServiceTest, TerminalEmulatorsGetTheShiftedChordAndBackspacesNeedAPositiveCount) {
    fakes.workspace.frontmost =
        Workspace::Application{QStringLiteral("Terminal"), QStringLiteral("org.gnome.Terminal"), {}, 77};
    PasteService::paste(QStringLiteral("ls"));
    fakes.workspace.frontmost->identifier = QStringLiteral("xterm");
    PasteService::paste(QStringLiteral("ls"));
    fakes.workspace.frontmost->identifier = QStringLiteral("org.kde.kate");
    PasteService::paste(QStringLiteral("ls"));
    EXPECT_EQ(fakes.keySynth.posted, (QStringList{QStringLiteral("paste-terminal"), QStringLiteral("paste-terminal"),
                                                  QStringLiteral("paste")}));
    EXPECT_FALSE(PasteService::isTerminal(QString()));
    EXPECT_TRUE(PasteService::isTerminal(QStringLiteral("Alacritty")));

    fakes.keySynth.posted.clear();
    PasteService::sendBackspaces(0);
    PasteService::sendBackspaces(-3);
    PasteService::sendBackspaces(3);
    EXPECT_EQ(fakes.keySynth.posted, QStringList{QStringLiteral("backspace×3")});
}

} // namespace
