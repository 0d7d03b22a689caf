// The Modes page: the summary line and app names, the editor's save, and
// which editor is open.
#include "mainwindow/ModesPane.h"
#include "PageRender.h"
#include "cleanup/ModeEditor.h"
#include "cleanup/ModeRow.h"
#include "cleanup/ModeStore.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/MarkupLabels.h"
#include "support/TempFolder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const ModeRow::AppName kInstalled = [](const QString& identifier) -> std::optional<QString> {
    if (identifier == QLatin1String("org.gnome.Evolution"))
        return QStringLiteral("Evolution.app");
    return std::nullopt;
};

class ModesPaneTest : public ::testing::Test {
protected:
    ModesPane::Services services() {
        ModesPane::Services s;
        s.defaults = &defaults;
        s.store = &store;
        s.appName = kInstalled;
        return s;
    }
    DictationMode userMode() {
        DictationMode mode = store.add();
        return *store.mode(mode.id);
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ModeStore store{defaults};
};

TEST_F(ModesPaneTest, AppNamesComeFromTheDesktopThenTheTableThenTheLastPiece) {
    EXPECT_EQ(ModeRow::appName(QStringLiteral("org.gnome.Evolution"), kInstalled), QStringLiteral("Evolution"));
    EXPECT_EQ(ModeRow::appName(QStringLiteral("com.tinyspeck.slackmacgap"), kInstalled), QStringLiteral("Slack"));
    EXPECT_EQ(ModeRow::appName(QStringLiteral("com.example.fooBar"), kInstalled), QStringLiteral("Foobar"));
    EXPECT_EQ(ModeRow::appName(QStringLiteral("..."), kInstalled), QStringLiteral("..."));
    const QStringList five = {QStringLiteral("com.apple.mail"), QStringLiteral("org.gnome.Evolution"),
                              QStringLiteral("com.example.fooBar"), QStringLiteral("a.b"), QStringLiteral("c.d")};
    EXPECT_EQ(ModeRow::appNames(five, kInstalled), QStringLiteral("Mail, Evolution, Foobar +2"));
}

TEST_F(ModesPaneTest, TheSummaryNamesAppsPolishAndFullSentences) {
    DictationMode mode = userMode();
    mode.cleanLevel = CleanLevel::Off;
    EXPECT_EQ(ModeRow::summary(mode, kInstalled), QStringLiteral("no apps yet \u00B7 no polish"));
    mode.endWithPeriod = true;
    mode.cleanLevel = CleanLevel::Aggressive;
    mode.appIDs = {QStringLiteral("com.apple.mail")};
    EXPECT_EQ(ModeRow::summary(mode, kInstalled), QStringLiteral("Mail \u00B7 aggressive \u00B7 full sentences"));
    DictationMode notes = *store.mode(QStringLiteral("notes"));
    notes.endWithPeriod = true;
    EXPECT_EQ(ModeRow::summary(notes, kInstalled),
              QStringLiteral("Everywhere else \u00B7 how Quorvane has always worked"));
}

TEST_F(ModesPaneTest, SaveStoresTheFieldsAndKeepsTheOldNameForABlankOne) {
    const DictationMode mode = userMode();
    ModeEditor editor(mode, store);
    ASSERT_NE(editor.nameField(), nullptr);
    EXPECT_FALSE(editor.keepEveryWord()->isVisibleTo(&editor));
    editor.polish()->button(0)->click();
    EXPECT_TRUE(editor.keepEveryWord()->isVisibleTo(&editor));
    editor.numbers()->button(2)->click();
    editor.endWithPeriod()->setChecked(true);
    editor.instruction()->setPlainText(QStringLiteral("  Short and friendly. "));
    editor.nameField()->setText(QStringLiteral(" \t"));
    editor.save();
    DictationMode saved = *store.mode(mode.id);
    EXPECT_EQ(saved.name, mode.name);
    EXPECT_EQ(saved.cleanLevel, CleanLevel::Off);
    EXPECT_EQ(saved.numberStyle, NumberStyle::Digits);
    EXPECT_TRUE(saved.endWithPeriod);
    EXPECT_EQ(saved.keepEveryWord, false);
    EXPECT_EQ(saved.instruction, QStringLiteral("  Short and friendly. "));

    editor.nameField()->setText(QStringLiteral(" Replies "));
    editor.save();
    EXPECT_EQ(store.mode(mode.id)->name, QStringLiteral(" Replies "));

    // Built-in modes have no name field and no Delete; verbatim keeps every word.
    ModeEditor verbatim(*store.mode(QStringLiteral("verbatim")), store);
    EXPECT_EQ(verbatim.nameField(), nullptr);
    EXPECT_EQ(verbatim.deleteButton(), nullptr);
    EXPECT_TRUE(verbatim.keepEveryWord()->isChecked());
}

TEST_F(ModesPaneTest, OneEditorIsOpenAtATimeAndNewModesOpenTheirs) {
    ModesPane pane(services());
    ASSERT_GE(pane.rows().size(), 2);
    pane.rows().at(0)->line()->click();
    EXPECT_EQ(pane.editing(), store.modes().at(0).id);
    pane.rows().at(1)->line()->click();
    EXPECT_EQ(pane.editing(), store.modes().at(1).id);
    EXPECT_EQ(pane.rows().at(0)->editor(), nullptr);
    EXPECT_NE(pane.rows().at(1)->editor(), nullptr);
    pane.rows().at(1)->line()->click();
    EXPECT_EQ(pane.editing(), std::nullopt);

    const qsizetype before = pane.rows().size();
    pane.newModeButton()->click();
    ASSERT_EQ(pane.rows().size(), before + 1);
    EXPECT_NE(pane.rows().last()->editor(), nullptr);

    pane.enabledToggle()->setChecked(false);
    EXPECT_EQ(defaults.boolean(ModeStore::enabledKey), false);
    EXPECT_FALSE(pane.modesSection()->isVisibleTo(&pane));
    pane.phonePicker()->setCurrentIndex(1);
    EXPECT_EQ(defaults.string(ModesPane::kPhoneNoteMode), store.modes().at(1).id);
}

TEST_F(ModesPaneTest, NamesFromTheModesFileAndOtherProgramsAreShownAsWritten) {
    DictationMode mode = userMode();
    mode.name = QStringLiteral("<font size=6 color=red>Replies</font>");
    mode.appIDs = {QStringLiteral("org.example.<b>mail</b>")};
    store.update(mode);
    ModesPane::Services hostile = services();
    hostile.appName = [](const QString&) -> std::optional<QString> { return QStringLiteral("<i>Mail</i>"); };
    ModesPane pane(hostile);
    pane.rows().last()->line()->click();
    ASSERT_NE(pane.rows().last()->editor(), nullptr);
    EXPECT_EQ(labelsTakingMarkup(pane), QStringList());
}

class ModesPageRenderTest : public ModesPaneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ModesPageRenderTest, ThePageRendersInTheLookWithAnEditorOpen) {
    PageRender render(defaults, GetParam());
    auto* pane =
        qobject_cast<ModesPane*>(render.show(MainWindowPane::Modes, [this] { return new ModesPane(services()); }));
    ASSERT_NE(pane, nullptr);
    pane->rows().at(1)->line()->click();
    PageRender::settle();
    render.expectLook(render.save(QStringLiteral("modes")));
    EXPECT_EQ(pane->phonePicker()->currentData().toString(), QStringLiteral("notes"));
}

QUORVANE_INSTANTIATE_LOOKS(ModesPageRenderTest);

} // namespace
