// The Reader page: the pronunciation editor's buttons and rows, the
// read-along choice with its shade, and the hover switch.
#include "mainwindow/ReaderPane.h"
#include "PageRender.h"
#include "mainwindow/ReadAloudSection.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/ReadAloudStore.h"
#include "reader/VoiceAudition.h"
#include "reader/VoicePicker.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class ReaderPaneTest : public ::testing::Test {
protected:
    ReaderPane::Services services() {
        ReaderPane::Services s;
        s.defaults = &defaults;
        s.readings = &readings;
        s.speak = [this](const QString& text) { spoken << text; };
        s.startHover = [this] { hover << QStringLiteral("start"); };
        s.stopHover = [this] { hover << QStringLiteral("stop"); };
        return s;
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ReadAloudStore readings{folder.file(QStringLiteral("data"))};
    QStringList spoken;
    QStringList hover;
    // The picker's samples go where the page's readings go.
    VoiceAudition audition{[this](const QString& text, const QString&) {
        spoken << text;
        return QtFuture::makeReadyFuture();
    }};
    FlagMagnifierHover magnifierHover;
};

TEST_F(ReaderPaneTest, PlayNeedsAnyTextAndAddNeedsBothFieldsBeyondBlanks) {
    ReadAloudSection section(readings, [this](const QString& text) { spoken << text; });
    EXPECT_FALSE(section.playButton()->isEnabled());
    EXPECT_FALSE(section.addButton()->isEnabled());

    section.wordField()->setText(QStringLiteral("Dravick"));
    EXPECT_FALSE(section.addButton()->isEnabled());
    section.playButton()->click();
    EXPECT_EQ(spoken, QStringList({QStringLiteral("Dravick")}));

    // Blanks only: play is enabled but says nothing; Add stays off.
    section.sayAsField()->setText(QStringLiteral("   "));
    EXPECT_FALSE(section.addButton()->isEnabled());
    section.playButton()->click();
    EXPECT_EQ(spoken.size(), 1);

    section.wordField()->setText(QStringLiteral(" \t"));
    section.sayAsField()->setText(QStringLiteral("drav ick"));
    EXPECT_FALSE(section.addButton()->isEnabled());
    section.playButton()->click();
    EXPECT_EQ(spoken.last(), QStringLiteral("drav ick"));
}

TEST_F(ReaderPaneTest, AddClearsTheFieldsAndRowsFollowTheStore) {
    ReadAloudSection section(readings, [this](const QString& text) { spoken << text; });
    section.wordField()->setText(QStringLiteral("Dravick"));
    section.sayAsField()->setText(QStringLiteral("DRAV-ick"));
    section.addButton()->click();
    EXPECT_TRUE(section.wordField()->text().isEmpty());
    EXPECT_TRUE(section.sayAsField()->text().isEmpty());
    ASSERT_EQ(readings.entries().size(), 1);
    ASSERT_EQ(section.rows().size(), 1);

    // A row's play button speaks how the word should sound.
    const QList<PlayButton*> plays = section.rows().first()->findChildren<PlayButton*>();
    ASSERT_EQ(plays.size(), 1);
    plays.first()->click();
    EXPECT_EQ(spoken, QStringList({QStringLiteral("DRAV-ick")}));

    QToolButton* remove = nullptr;
    for (QToolButton* button : section.rows().first()->findChildren<QToolButton*>())
        if (button->accessibleName() == QStringLiteral("Remove how Dravick is read"))
            remove = button;
    ASSERT_NE(remove, nullptr);
    remove->click();
    EXPECT_TRUE(readings.entries().isEmpty());
    EXPECT_TRUE(section.rows().isEmpty());
}

TEST_F(ReaderPaneTest, FollowingAlongShowsTheShadeAndAnUnknownShadeSelectsNone) {
    ReaderPane pane(services());
    EXPECT_TRUE(pane.justRead()->isChecked());
    EXPECT_FALSE(pane.shadeRow()->isVisibleTo(&pane));
    EXPECT_TRUE(pane.quietHelp()->isVisibleTo(&pane));

    pane.followAlong()->setChecked(true);
    EXPECT_EQ(defaults.boolean(ReaderPane::kReadAlongWindow), true);
    EXPECT_TRUE(pane.shadeRow()->isVisibleTo(&pane));
    EXPECT_FALSE(pane.quietHelp()->isVisibleTo(&pane));
    EXPECT_TRUE(pane.shadeButtons().at(2)->isChecked());
    pane.shadeButtons().at(1)->click();
    EXPECT_EQ(defaults.string(ReaderPane::kReaderShade), QStringLiteral("slate"));
    EXPECT_FALSE(defaults.contains(QStringLiteral("paperShade")));

    defaults.set(ReaderPane::kReaderShade, QStringLiteral("Sepia"));
    ReaderPane other(services());
    for (QAbstractButton* shade : other.shadeButtons())
        EXPECT_FALSE(shade->isChecked());
}

TEST_F(ReaderPaneTest, TheHoverSwitchStartsAndStopsHoverReadingAtOnce) {
    ReaderPane pane(services());
    EXPECT_TRUE(hover.isEmpty());
    EXPECT_FALSE(pane.dwellButton()->isVisibleTo(&pane));
    pane.hoverToggle()->setChecked(true);
    EXPECT_EQ(hover, QStringList({QStringLiteral("start")}));
    EXPECT_EQ(defaults.boolean(ReaderPane::kHoverReadEnabled), true);
    EXPECT_TRUE(pane.dwellButton()->isVisibleTo(&pane));
    // No dwell settings in this build: the button is there, disabled.
    EXPECT_FALSE(pane.dwellButton()->isEnabled());
    pane.hoverToggle()->setChecked(false);
    EXPECT_EQ(hover, QStringList({QStringLiteral("start"), QStringLiteral("stop")}));
}

class ReaderPageRenderTest : public ReaderPaneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ReaderPageRenderTest, ThePageRendersInTheLook) {
    readings.add(QStringLiteral("Dravick"), QStringLiteral("DRAV-ick"));
    readings.add(QStringLiteral("Quorvane"), QStringLiteral("KWOR-vane"));
    defaults.set(ReaderPane::kReadAlongWindow, true);
    PageRender render(defaults, GetParam());
    auto* pane = qobject_cast<ReaderPane*>(render.show(MainWindowPane::Reader, [this] {
        ReaderPane::Services s = services();
        s.voicePicker = [this] { return new VoicePicker(VoicePicker::Services::standard(audition, magnifierHover)); };
        return new ReaderPane(s);
    }));
    ASSERT_NE(pane, nullptr);
    PageRender::settle();
    render.expectLook(render.save(QStringLiteral("reader")));
    EXPECT_EQ(pane->readAloudSection()->rows().size(), 2);
    EXPECT_TRUE(pane->shadeRow()->isVisibleTo(pane));
    // The newest pronunciation is listed first.
    QStringList texts;
    for (QLabel* label : pane->readAloudSection()->rows().first()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Quorvane")));
}

QUORVANE_INSTANTIATE_LOOKS(ReaderPageRenderTest);

} // namespace
