// The Cleanup page: its defaults, the history choice that prunes at once, the
// phone switch, and the local model's state.
#include "mainwindow/CleanupPane.h"
#include "PageRender.h"
#include "mainwindow/LiveControls.h"
#include "mainwindow/LiveSettingsControl.h"
#include "mainwindow/SampleTile.h"
#include "stores/HistoryStore.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/MarkupLabels.h"
#include "support/TempFolder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(9, 0));

class CleanupPaneTest : public ::testing::Test {
protected:
    CleanupPaneTest() {
        history.setEntries({entry(1, QStringLiteral("yesterday")), entry(10, QStringLiteral("ten days ago")),
                            entry(40, QStringLiteral("forty days ago"))});
        EXPECT_TRUE(history.save());
    }

    static HistoryEntry entry(int daysAgo, const QString& text) {
        return {QUuid::createUuid(), kNow.addDays(-daysAgo), QStringLiteral("Mail"), text, {}, {}, {}};
    }

    CleanupPane::Services services() {
        CleanupPane::Services s;
        s.defaults = &defaults;
        s.history = &history;
        s.startPhoneLink = [this] { ++starts; };
        s.stopPhoneLink = [this] { ++stops; };
        s.phoneLinkError = [this] { return phoneError; };
        s.modelIsUp = [this] { return QtFuture::makeReadyFuture(modelUp); };
        return s;
    }

    // The texts in history.json, newest first.
    QStringList storedTexts() const {
        QFile file(history.url());
        file.open(QIODevice::ReadOnly);
        QStringList texts;
        for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array())
            texts << value.toObject().value(QStringLiteral("text")).toString();
        return texts;
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    HistoryStore history{folder.file(QStringLiteral("data")), defaults, [] { return kNow; }};
    int starts = 0;
    int stops = 0;
    std::optional<QString> phoneError;
    bool modelUp = false;
};

TEST_F(CleanupPaneTest, AFreshDomainShowsTheDefaultsAndStoresNothing) {
    CleanupPane pane(services());
    EXPECT_TRUE(pane.phoneToggle()->isChecked());
    EXPECT_TRUE(pane.keepButtons().at(0)->isChecked());
    // No system model here: the switch stays, off and disabled.
    EXPECT_FALSE(pane.systemModelToggle()->isChecked());
    EXPECT_FALSE(pane.systemModelToggle()->isEnabled());
    EXPECT_EQ(starts + stops, 0);
    EXPECT_FALSE(defaults.contains(CleanupPane::kPhoneLinkEnabled));
}

TEST_F(CleanupPaneTest, ShorterKeepingPrunesAndRewritesTheFileOnlyWhenSomethingWent) {
    CleanupPane pane(services());
    // 30 days removes the forty-day-old entry.
    pane.keepButtons().at(1)->click();
    EXPECT_EQ(defaults.integer(CleanupPane::kHistoryKeepDays), 30);
    EXPECT_EQ(storedTexts(), QStringList({QStringLiteral("yesterday"), QStringLiteral("ten days ago")}));
    EXPECT_TRUE(pane.keepButtons().at(1)->isChecked());
    EXPECT_FALSE(pane.keepButtons().at(0)->isChecked());

    // 7 days removes the next one.
    pane.keepButtons().at(3)->click();
    EXPECT_EQ(storedTexts(), QStringList({QStringLiteral("yesterday")}));
    EXPECT_EQ(history.entries().size(), 1);
    EXPECT_TRUE(pane.historyError()->isHidden());

    // Longer keeping removes nothing, so nothing is written: the file on disk
    // is replaced behind the store's back and stays as it is.
    QFile file(history.url());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[]");
    file.close();
    pane.keepButtons().at(0)->click();
    EXPECT_EQ(defaults.integer(CleanupPane::kHistoryKeepDays), 0);
    EXPECT_EQ(storedTexts(), QStringList());
}

TEST_F(CleanupPaneTest, ThePhoneSwitchStoresThenStopsOrStartsTheLinkAndShowsItsError) {
    CleanupPane pane(services());
    pane.phoneToggle()->setChecked(false);
    EXPECT_EQ(defaults.boolean(CleanupPane::kPhoneLinkEnabled), false);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(starts, 0);

    phoneError = QStringLiteral("Port in use");
    pane.phoneToggle()->setChecked(true);
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(pane.phoneError()->isHidden());
    EXPECT_EQ(pane.phoneError()->text(), QStringLiteral("Port in use"));

    // Without a link in this build the switch is shown disabled.
    CleanupPane::Services none = services();
    none.startPhoneLink = nullptr;
    none.stopPhoneLink = nullptr;
    CleanupPane bare(none);
    EXPECT_FALSE(bare.phoneToggle()->isEnabled());
}

TEST_F(CleanupPaneTest, TheLinksErrorIsShownAsWritten) {
    // The error comes from the network layer and may repeat what a peer sent.
    phoneError = QStringLiteral("<a href=\"http://example.invalid/\">Tap to verify this phone</a>");
    CleanupPane pane(services());
    pane.phoneToggle()->setChecked(false);
    pane.phoneToggle()->setChecked(true);
    ASSERT_EQ(pane.phoneError()->text(), *phoneError);
    EXPECT_EQ(labelsTakingMarkup(pane), QStringList());
}

TEST_F(CleanupPaneTest, TheModelRowSaysRunningOnlyOnceTheServerAnswers) {
    {
        CleanupPane pane(services());
        pane.show();
        QTest::qWait(20);
        EXPECT_EQ(pane.modelState()->text(), QStringLiteral("starts with the app"));
    }
    modelUp = true;
    CleanupPane pane(services());
    pane.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.modelState()->text() == QStringLiteral("running"); }, 1000));
}

class CleanupPageRenderTest : public CleanupPaneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CleanupPageRenderTest, ThePageRendersInTheLookWithItsTilesSelected) {
    // The model row in its coloured state, "running", is read as well.
    modelUp = true;
    defaults.set(LiveControls::kNumberStyle, QStringLiteral("digits"));
    defaults.set(LiveControls::kEndWithPeriod, true);
    PageRender render(defaults, GetParam());
    auto* pane = render.render<CleanupPane>(MainWindowPane::Cleanup, QStringLiteral("cleanup"),
                                            [this] { return new CleanupPane(services()); });
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->numbersControl()->selectedIndex(), 2);
    EXPECT_EQ(pane->periodControl()->selectedIndex(), 1);
    // The three polish tiles share the row inside the window.
    SampleTile* last = pane->autoCleanControl()->tiles().last();
    const QRect tile(last->mapTo(&render.view(), QPoint(0, 0)), last->size());
    EXPECT_TRUE(render.view().rect().contains(tile));
}

QUORVANE_INSTANTIATE_LOOKS(CleanupPageRenderTest);

} // namespace
