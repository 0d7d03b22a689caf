// The Dictionary page: splitting the mishearings, the Add button, the name
// switch's push, and the word list following the store.
#include "mainwindow/DictionaryPane.h"
#include "PageRender.h"
#include "stores/DictionaryStore.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/RecordingWordBoost.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class DictionaryPaneTest : public ::testing::Test {
protected:
    DictionaryPane::Services services() {
        DictionaryPane::Services s;
        s.defaults = &defaults;
        s.store = &store;
        s.accountName = [] { return QStringLiteral("Robin Okonkwo-Example"); };
        s.forcePush = [this] { ++pushes; };
        return s;
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    RecordingWordBoost boost;
    DictionaryStore store{folder.file(QStringLiteral("data")), &boost};
    int pushes = 0;
};

TEST_F(DictionaryPaneTest, MishearingsSplitAtCommasWithoutTrimming) {
    EXPECT_EQ(DictionaryPane::splitVariants(QStringLiteral("Dravick,,Dra vick, ")),
              QStringList({QStringLiteral("Dravick"), QStringLiteral("Dra vick"), QStringLiteral(" ")}));
    EXPECT_TRUE(DictionaryPane::splitVariants(QString()).isEmpty());

    DictionaryPane pane(services());
    pane.canonicalField()->setText(QStringLiteral("Dravik"));
    pane.variantsField()->setText(QStringLiteral("Dravick,,Dra vick, "));
    pane.addButton()->click();
    ASSERT_EQ(store.entries().size(), 1);
    EXPECT_EQ(store.entries().first().variants, QStringList({QStringLiteral("Dravick"), QStringLiteral("Dra vick")}));
    EXPECT_TRUE(pane.canonicalField()->text().isEmpty());
    EXPECT_TRUE(pane.variantsField()->text().isEmpty());
    ASSERT_EQ(pane.rows().size(), 1);
    EXPECT_TRUE(pane.emptyLine()->isHidden());
}

TEST_F(DictionaryPaneTest, AddNeedsASpellingBeyondSpacesAndAlwaysClearsTheFields) {
    DictionaryPane pane(services());
    EXPECT_FALSE(pane.addButton()->isEnabled());
    pane.canonicalField()->setText(QStringLiteral(" \t "));
    EXPECT_FALSE(pane.addButton()->isEnabled());
    // A pasted line break counts as content; the store then adds nothing.
    pane.canonicalField()->setText(QStringLiteral("\n"));
    EXPECT_TRUE(pane.addButton()->isEnabled());
    pane.variantsField()->setText(QStringLiteral("x"));
    pane.addEntry();
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_TRUE(pane.canonicalField()->text().isEmpty());
    EXPECT_TRUE(pane.variantsField()->text().isEmpty());
    EXPECT_FALSE(pane.emptyLine()->isHidden());
}

TEST_F(DictionaryPaneTest, TheNameSwitchPushesOnlyWhenFlipped) {
    DictionaryPane pane(services());
    EXPECT_EQ(pushes, 0);
    EXPECT_EQ(pane.currentNames()->text(), QStringLiteral("Currently: Robin, Okonkwo, Example"));
    pane.nameToggle()->setChecked(false);
    EXPECT_EQ(pushes, 1);
    EXPECT_EQ(defaults.boolean(DictionaryPane::kUseAccountName), false);
    EXPECT_TRUE(pane.currentNames()->isHidden());
    pane.nameToggle()->setChecked(true);
    EXPECT_EQ(pushes, 2);
    EXPECT_FALSE(pane.currentNames()->isHidden());
}

TEST_F(DictionaryPaneTest, RemovingTheLastWordShowsTheEmptyLine) {
    store.add(QStringLiteral("Quorvane"), {});
    DictionaryPane pane(services());
    ASSERT_EQ(pane.rows().size(), 1);
    // A word without mishearings has a single line.
    EXPECT_EQ(pane.rows().first()->findChildren<QLabel*>().size(), 1);
    QToolButton* remove = pane.rows().first()->findChild<QToolButton*>();
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->accessibleName(), QStringLiteral("Remove Quorvane from the dictionary"));
    remove->click();
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_TRUE(pane.rows().isEmpty());
    EXPECT_FALSE(pane.emptyLine()->isHidden());
}

class DictionaryPageRenderTest : public DictionaryPaneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DictionaryPageRenderTest, ThePageRendersInTheLook) {
    store.add(QStringLiteral("Dravik"), {QStringLiteral("Dravick"), QStringLiteral("Dra vick")});
    store.add(QStringLiteral("Quorvane"), {});
    PageRender render(defaults, GetParam());
    auto* pane = render.render<DictionaryPane>(MainWindowPane::Dictionary, QStringLiteral("dictionary"),
                                               [this] { return new DictionaryPane(services()); });
    ASSERT_NE(pane, nullptr);
    ASSERT_EQ(pane->rows().size(), 2);
    QStringList texts;
    for (QLabel* label : pane->rows().first()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_EQ(texts, QStringList({QStringLiteral("Dravik"), QStringLiteral("heard as: Dravick, Dra vick")}));
}

QUORVANE_INSTANTIATE_LOOKS(DictionaryPageRenderTest);

} // namespace
