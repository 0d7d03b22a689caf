// The Dictation page: what it shows for the stored settings, what each
// control writes, and when it re-binds the shortcuts.
#include "mainwindow/DictationPane.h"
#include "PageRender.h"
#include "hotkeys/ConfiguredHotkeys.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/HotkeyRecorderField.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "mainwindow/LiveControls.h"
#include "mainwindow/LiveSettingsControl.h"
#include "mainwindow/SampleTile.h"
#include "platform/Wording.h"
#include "state/AppActions.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/FakeHotkeys.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace DictationSettings;

namespace {

QStringList options(const QComboBox* picker) {
    QStringList raw;
    for (int i = 0; i < picker->count(); ++i)
        raw << picker->itemData(i).toString();
    return raw;
}

class DictationPaneTest : public ::testing::Test {
protected:
    std::unique_ptr<DictationPane> page(bool translationTaps = false) {
        return std::make_unique<DictationPane>(
            defaults, grabs, [this] { ++rebinds; }, translationTaps);
    }

    ScopedFakePlatform platform;
    HotkeyManager grabs;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    int rebinds = 0;
};

TEST_F(DictationPaneTest, AFreshDomainShowsTheTablesDefaultsAndLoadingStoresAndBindsNothing) {
    auto pane = page();
    EXPECT_EQ(pane->dictationField()->keyCode(), read(defaults, kDictationKey).toInt());
    EXPECT_EQ(pane->dictationField()->modifiers(), read(defaults, kDictationMods).toInt());
    EXPECT_EQ(pane->readerTapPicker()->currentData(), read(defaults, kDoubleTapReaderKey));
    EXPECT_EQ(pane->glassStepper()->value(), read(defaults, kGlassVariant).toInt());
    EXPECT_TRUE(pane->tapsToggle()->isChecked());
    EXPECT_TRUE(pane->shadeRow()->isHidden());
    EXPECT_EQ(rebinds, 0);
    EXPECT_FALSE(defaults.contains(kDictationKey));
    EXPECT_FALSE(defaults.contains(kResultCardSeconds));
}

TEST_F(DictationPaneTest, EachShortcutChangeRebindsOnceAfterItIsStored) {
    auto pane = page();
    int seenKey = -1;
    auto spy = std::make_unique<DictationPane>(
        defaults, grabs,
        [&] {
            seenKey = int(defaults.intOr(kReaderKey, -1));
            ++rebinds;
        },
        false);

    // A recording that changes both the key and the modifiers: two changes.
    emit pane->dictationField()->edited(40, 4096);
    EXPECT_EQ(rebinds, 2);
    EXPECT_EQ(defaults.integer(kDictationKey), 40);
    EXPECT_EQ(defaults.integer(kDictationMods), 4096);
    // Only the key changes: one.
    emit spy->readerField()->edited(17, 6144);
    EXPECT_EQ(rebinds, 3);
    EXPECT_EQ(seenKey, 17);
    // The same combination again: none.
    emit pane->dictationField()->edited(40, 4096);
    EXPECT_EQ(rebinds, 3);

    pane->tapsToggle()->setChecked(false);
    EXPECT_EQ(rebinds, 4);
    EXPECT_EQ(defaults.boolean(kDoubleTapEnabled), false);
    EXPECT_FALSE(pane->dictationTapPicker()->isVisibleTo(pane.get()));
    pane->readerTapPicker()->setCurrentIndex(pane->readerTapPicker()->findData(QStringLiteral("leftCommand")));
    EXPECT_EQ(rebinds, 5);
    EXPECT_EQ(defaults.string(kDoubleTapReaderKey), QStringLiteral("leftCommand"));

    // Settings that are not shortcuts never re-bind.
    pane->paperToggle()->setChecked(true);
    pane->secondsSlider()->setValue(12);
    pane->glassStepper()->setValue(3);
    EXPECT_EQ(rebinds, 5);
    EXPECT_EQ(defaults.number(kResultCardSeconds), 12.0);
    EXPECT_EQ(defaults.integer(kGlassVariant), 3);
    EXPECT_EQ(pane->secondsLabel()->text(), QStringLiteral("Up to 12s after you finish"));
}

TEST_F(DictationPaneTest, TheCardMaterialKeepsItsStoredStyleButCannotChangeWithoutGlass) {
    defaults.set(kGlassVariant, 7);
    auto pane = page();
    pane->show();
    QSpinBox* stepper = pane->glassStepper();
    EXPECT_EQ(stepper->value(), 7);
    EXPECT_FALSE(stepper->isEnabled());
    QTest::keyClick(stepper, Qt::Key_Up);
    EXPECT_EQ(stepper->value(), 7);
    EXPECT_EQ(defaults.integer(kGlassVariant), 7);
    QStringList lines;
    for (const QLabel* label : pane->findChildren<QLabel*>())
        lines << label->text();
    EXPECT_TRUE(lines.contains(QStringLiteral(
        "This desktop has no glass material, so the card keeps its own look and the style changes nothing here.")));
}

TEST_F(DictationPaneTest, PaperShowsItsShadeAndUnknownValuesSelectNothing) {
    defaults.set(kPaperTheme, true);
    defaults.set(kPaperShade, QStringLiteral("Slate"));
    defaults.set(kDoubleTapDictationKey, QStringLiteral("rightControl"));
    defaults.set(kResultCardSeconds, 7.9);
    auto pane = page();
    EXPECT_FALSE(pane->shadeRow()->isHidden());
    for (QAbstractButton* shade : pane->shadeButtons())
        EXPECT_FALSE(shade->isChecked());
    EXPECT_EQ(pane->dictationTapPicker()->currentIndex(), -1);
    EXPECT_EQ(pane->secondsLabel()->text(), QStringLiteral("Up to 7s after you finish"));

    pane->shadeButtons().at(2)->click();
    EXPECT_EQ(defaults.string(kPaperShade), QStringLiteral("automatic"));
    EXPECT_TRUE(pane->shadeButtons().at(2)->isChecked());
    pane->paperToggle()->setChecked(false);
    EXPECT_TRUE(pane->shadeRow()->isHidden());
    EXPECT_EQ(defaults.string(kPaperShade), QStringLiteral("automatic"));
    EXPECT_EQ(rebinds, 0);
}

TEST_F(DictationPaneTest, TheTapPickersLeaveOutTheTranslationKeysWhileTheyAreBound) {
    const QStringList all = {QStringLiteral("rightCommand"), QStringLiteral("rightOption"),
                             QStringLiteral("leftCommand"), QStringLiteral("leftOption"),
                             QStringLiteral("leftControl")};
    EXPECT_EQ(options(page(false)->dictationTapPicker()), all);

    // Translation holds left Control and left Option by default.
    auto bound = page(true);
    EXPECT_EQ(
        options(bound->dictationTapPicker()),
        QStringList({QStringLiteral("rightCommand"), QStringLiteral("rightOption"), QStringLiteral("leftCommand")}));
    // A picker keeps its own value even when translation uses it too.
    defaults.set(kDoubleTapReaderKey, QStringLiteral("leftOption"));
    auto colliding = page(true);
    EXPECT_TRUE(options(colliding->readerTapPicker()).contains(QStringLiteral("leftOption")));
    EXPECT_EQ(colliding->readerTapPicker()->currentData().toString(), QStringLiteral("leftOption"));
}

TEST_F(DictationPaneTest, AHotkeyChangeReachesTheBoundKeys) {
    FakeHotkeys keys;
    HotkeyManager hotkeys{&keys};
    ModifierTapMonitor taps{&keys};
    AppActions actions;
    actions.toggleDictation = [] {};
    actions.pasteLast = [] {};
    actions.readSelection = [] {};
    const auto bind = [&] { registerConfiguredHotkeys(defaults, hotkeys, taps, actions); };
    const auto grabbed = [&](quint32 keyCode, quint32 modifiers) {
        return std::any_of(keys.grabs.cbegin(), keys.grabs.cend(), [&](const FakeHotkeys::Grab& grab) {
            return grab.keyCode == keyCode && grab.modifiers == modifiers;
        });
    };
    bind();
    DictationPane pane(defaults, hotkeys, bind, false);
    ASSERT_TRUE(grabbed(9, 6144));
    emit pane.pasteLastField()->edited(11, 256);
    EXPECT_TRUE(grabbed(11, 256));
    EXPECT_FALSE(grabbed(9, 6144));
}

class DictationPageRenderTest : public DictationPaneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DictationPageRenderTest, ThePageRendersInTheLookWithItsTilesSelected) {
    defaults.set(LiveControls::kCardStyle, QStringLiteral("light"));
    PageRender render(defaults, GetParam());
    auto* pane = render.render<DictationPane>(MainWindowPane::Dictation, QStringLiteral("dictation"), [this] {
        return new DictationPane(
            defaults, grabs, [] {}, false);
    });
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->cardLettersControl()->selectedIndex(), 1);
    EXPECT_EQ(pane->dictationField()->button()->text(), Wording::of(HotkeyRecorderField::describe(2, 6144)));

    // The two card tiles sit side by side, fully inside the window.
    SampleTile* first = pane->cardStyleControl()->tiles().at(0);
    SampleTile* second = pane->cardStyleControl()->tiles().at(1);
    const QRect a(first->mapTo(&render.view(), QPoint(0, 0)), first->size());
    const QRect b(second->mapTo(&render.view(), QPoint(0, 0)), second->size());
    EXPECT_EQ(a.top(), b.top());
    EXPECT_LT(a.right(), b.left());
    EXPECT_TRUE(render.view().rect().contains(b));
}

QUORVANE_INSTANTIATE_LOOKS(DictationPageRenderTest);

} // namespace
