#include "dictation/PasteLast.h"

#include "insertion/PasteService.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class PasteLastTest : public testing::Test {
protected:
    PasteLastTest()
        : m_previous(PasteService::setScheduler([this](std::chrono::milliseconds delay, std::function<void()> task) {
              scheduled.push_back({delay, std::move(task)});
          })) {
        fakes.pasteboard.otherAppCopies(QStringLiteral("user clipboard"));
    }
    ~PasteLastTest() override {
        // Run what is left, so that no paste stays pending into the next test.
        for (size_t i = 0; i < scheduled.size(); ++i) {
            const std::function<void()> task = scheduled[i].second;
            task();
        }
        PasteService::setScheduler(std::move(m_previous));
    }

    // Makes `text` the newest dictation.
    void dictated(const QString& text) {
        QList<HistoryEntry> entries = history.entries();
        entries.prepend(
            {QUuid::createUuid(), QDateTime::currentDateTimeUtc(), QStringLiteral("Editor"), text, {}, {}, {}});
        history.setEntries(entries);
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    HistoryStore history{folder.path(), defaults};
    ScopedFakePlatform fakes;
    AppState state;
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;

private:
    PasteService::Schedule m_previous;
};

TEST_F(PasteLastTest, TheTextIsTheNewestEntryUnlessItIsBlank) {
    EXPECT_EQ(PasteLast::text(history), std::nullopt);
    dictated(QStringLiteral("older"));
    dictated(QStringLiteral(" kept as stored \n"));
    EXPECT_EQ(PasteLast::text(history), QStringLiteral(" kept as stored \n"));
    dictated(QStringLiteral(" \n\t"));
    EXPECT_EQ(PasteLast::text(history), std::nullopt); // not the older one
}

TEST_F(PasteLastTest, NothingDictatedFlashesAndLeavesTheClipboard) {
    for (const QString& newest : {QString(), QStringLiteral("   ")}) {
        if (!newest.isNull())
            dictated(newest);
        PasteLast::run(history, state);
        EXPECT_EQ(state.flashMessage(), QStringLiteral("Nothing dictated yet."));
        EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("user clipboard"));
        EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
    }
}

TEST_F(PasteLastTest, PastesWithoutAskingForAccessibilityAndFlashesForTwoSeconds) {
    fakes.accessibility.trusted = false;
    dictated(QStringLiteral("last words"));
    PasteLast::run(history, state);
    EXPECT_EQ(fakes.keySynth.posted, QStringList{QStringLiteral("paste")});
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("last words"));
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Pasted your last dictation."));
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Flash);
    ASSERT_EQ(fakes.announcer.announcements.size(), 1);
    EXPECT_EQ(fakes.announcer.announcements.first().text, state.flashMessage());
    EXPECT_EQ(fakes.announcer.announcements.first().priority, Announcer::Priority::Medium);
    EXPECT_EQ(fakes.accessibility.trustRequests, 0);

    ASSERT_EQ(scheduled.size(), 1u);
    EXPECT_EQ(scheduled.front().first, 2200ms);
    scheduled.front().second();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(PasteLastTest, WithoutKeystrokesItCopiesAndSaysSoInTheDesktopsWording) {
    fakes.keySynth.available = false;
    fakes.wording.table = {{QStringLiteral("Copied. Grant Accessibility to paste it for you."),
                            QStringLiteral("Copied. Paste with Ctrl+V.")}};
    dictated(QStringLiteral("last words"));
    PasteLast::run(history, state);
    EXPECT_TRUE(fakes.keySynth.posted.isEmpty());
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Copied. Paste with Ctrl+V."));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("last words"));
    EXPECT_EQ(fakes.accessibility.trustRequests, 0);
}

TEST_F(PasteLastTest, ALaterBubbleIsNotHiddenByTheFlashTimer) {
    dictated(QStringLiteral("last words"));
    PasteLast::run(history, state);
    state.setBubbleMode(BubbleMode::Listening);
    scheduled.front().second();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Listening);
}

} // namespace
