// The tray's mode submenu: its title, its check marks, and pinning.
#include "cleanup/ModeMenu.h"
#include "cleanup/ModeStore.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QMenu>

#include <gtest/gtest.h>

namespace {

class ModeMenuTest : public ::testing::Test {
protected:
    QStringList items() const {
        QStringList texts;
        for (QAction* action : menu.submenu()->actions())
            if (!action->isSeparator())
                texts << action->text();
        return texts;
    }
    QAction* item(const QString& name) const {
        for (QAction* action : menu.submenu()->actions())
            if (action->text().mid(ModeMenu::kMarked.size()) == name || action->text().mid(3) == name)
                return action;
        return nullptr;
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ModeStore store{defaults};
    QMenu tray;
    ModeMenu menu{store, defaults, &tray};
};

TEST_F(ModeMenuTest, AutomaticIsMarkedUntilAModeIsPinned) {
    ASSERT_FALSE(store.modes().isEmpty());
    EXPECT_EQ(menu.submenu()->title(), QStringLiteral("Mode: Automatic"));
    const QStringList texts = items();
    EXPECT_EQ(texts.first(), QStringLiteral("\u2713 Automatic"));
    EXPECT_EQ(texts.size(), store.modes().size() + 1);
    for (qsizetype i = 1; i < texts.size(); ++i)
        EXPECT_EQ(texts.at(i), QStringLiteral("   ") + store.modes().at(i - 1).name);

    const DictationMode notes = store.modes().first();
    item(notes.name)->trigger();
    EXPECT_EQ(defaults.string(ModeStore::pinnedKey), notes.id);
    EXPECT_EQ(menu.submenu()->title(), QStringLiteral("Mode: ") + notes.name + QStringLiteral(" (pinned)"));
    EXPECT_EQ(items().first(), QStringLiteral("   Automatic"));
    EXPECT_EQ(items().at(1), QStringLiteral("\u2713 ") + notes.name);

    item(QStringLiteral("Automatic"))->trigger();
    EXPECT_FALSE(defaults.contains(ModeStore::pinnedKey));
    EXPECT_EQ(menu.submenu()->title(), QStringLiteral("Mode: Automatic"));
}

TEST_F(ModeMenuTest, APinnedModeThatIsGoneMarksNothing) {
    defaults.set(ModeStore::pinnedKey, QStringLiteral("deleted-mode"));
    menu.rebuild();
    EXPECT_EQ(menu.submenu()->title(), QStringLiteral("Mode: Automatic"));
    for (const QString& text : items())
        EXPECT_TRUE(text.startsWith(ModeMenu::kUnmarked)) << text.toStdString();
}

TEST_F(ModeMenuTest, WithModesOffTheTitleSaysSoAndThePinStaysMarked) {
    const DictationMode pinned = store.modes().last();
    defaults.set(ModeStore::pinnedKey, pinned.id);
    defaults.set(ModeStore::enabledKey, false);
    EXPECT_EQ(menu.submenu()->title(), QStringLiteral("Mode: off"));
    emit menu.submenu()->aboutToShow();
    EXPECT_EQ(items().last(), QStringLiteral("\u2713 ") + pinned.name);
}

} // namespace
