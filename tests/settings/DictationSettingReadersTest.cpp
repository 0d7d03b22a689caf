// The program's readers of the Dictation page's settings see what the page
// shows: the same default while a key is absent or holds another type, and
// the stored value once it holds one of the right type.
#include "dictation/BubblePanel.h"
#include "dictation/BubbleView.h"
#include "dictation/SystemAudio.h"
#include "dictation/VariantGlassBackground.h"
#include "hotkeys/ConfiguredHotkeys.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "insertion/PasteService.h"
#include "looks/Paper.h"
#include "mainwindow/DictationPane.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/FakeHotkeys.h"
#include "support/FakeOutputVolume.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QSlider>

#include <gtest/gtest.h>

#include <functional>

using namespace DictationSettings;

namespace {

const QString kSpeakers = QStringLiteral("speakers");

class DictationSettingReaders : public testing::Test {
protected:
    DictationSettingReaders() {
        output.defaultDevice = kSpeakers;
        output.volumes[kSpeakers] = {0.5};
    }
    ~DictationSettingReaders() override { Defaults::shared().remove(kKeepOnClipboard); }

    // The binder's grabs come in the order dictation, paste-last, reader.
    std::function<QVariant(Defaults&)> grabbed(int index, bool modifiers) {
        return [this, index, modifiers](Defaults& settings) -> QVariant {
            registerConfiguredHotkeys(settings, hotkeys, taps, actions);
            if (keys.grabs.size() <= index)
                return {};
            const FakeHotkeys::Grab& grab = keys.grabs.at(index);
            return modifiers ? grab.modifiers : grab.keyCode;
        };
    }
    std::function<QVariant(Defaults&)> tapped(int index) {
        return [this, index](Defaults& settings) -> QVariant {
            registerConfiguredHotkeys(settings, hotkeys, taps, actions);
            if (taps.bindings().size() <= index)
                return {};
            return ModifierTapMonitor::toString(taps.bindings().at(index).key);
        };
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ScopedFakePlatform fakes;
    FakeHotkeys keys;
    HotkeyManager hotkeys{&keys};
    ModifierTapMonitor taps{&keys};
    AppActions actions;
    AppState state;
    FakeOutputVolume output;
};

TEST_F(DictationSettingReaders, EveryReaderSeesWhatThePageShows) {
    struct Row {
        QString key;
        QVariant stored; // of the setting's type, not its default
        std::function<QVariant(Defaults&)> reader;
    };
    const QList<Row> rows = {
        {kDictationKey, 3, grabbed(0, false)},
        {kDictationMods, 6145, grabbed(0, true)},
        {kPasteLastKey, 10, grabbed(1, false)},
        {kPasteLastMods, 6145, grabbed(1, true)},
        {kReaderKey, 16, grabbed(2, false)},
        {kReaderMods, 6145, grabbed(2, true)},
        {kDoubleTapEnabled, false,
         [this](Defaults& settings) -> QVariant {
             registerConfiguredHotkeys(settings, hotkeys, taps, actions);
             return taps.isWatching();
         }},
        {kDoubleTapDictationKey, QStringLiteral("leftCommand"), tapped(0)},
        {kDoubleTapReaderKey, QStringLiteral("rightControl"), tapped(1)},
        {kPauseAudio, false,
         [this](Defaults& settings) -> QVariant {
             SystemAudio audio(&output, &settings, folder.file(QStringLiteral("ducked.json")));
             audio.duck();
             const bool ducked = audio.savedVolume().has_value();
             audio.restore();
             return ducked;
         }},
        {kResultCardSeconds, 2.5,
         [](Defaults& settings) -> QVariant {
             const QString longText = QStringList(1000, QStringLiteral("word")).join(QLatin1Char(' '));
             return std::chrono::duration<double>(BubblePanel::resultLifetime(longText, false, settings)).count();
         }},
        {kGlassVariant, 4,
         [](Defaults& settings) -> QVariant { return VariantGlassBackground::storedVariant(settings); }},
        {kPaperTheme, true,
         [](Defaults& settings) -> QVariant { return BubbleView::Settings::read(settings).paperTheme; }},
        {kPaperShade, QStringLiteral("slate"),
         [](Defaults& settings) -> QVariant { return BubbleView::Settings::read(settings).paperShade; }},
        {kPaperShade, QStringLiteral("automatic"),
         [](Defaults& settings) -> QVariant { return Paper::toString(Paper::shade(settings)); }},
        {kHoldEarlyReturn, true,
         [this](Defaults& settings) -> QVariant {
             BubblePanel panel(state, settings, BubblePanel::Desktop{});
             state.setBubbleMode(BubbleMode::Thinking);
             state.setReturnPressedWhileThinking(false);
             panel.handleKeyDown(BubblePanel::kReturnKey);
             return state.returnPressedWhileThinking();
         }},
        {kKeepOnClipboard, false,
         [this](Defaults& settings) -> QVariant {
             // The paste reads the program's own settings.
             if (settings.contains(kKeepOnClipboard))
                 Defaults::shared().set(kKeepOnClipboard, settings.value(kKeepOnClipboard));
             else
                 Defaults::shared().remove(kKeepOnClipboard);
             PasteService::copy(QStringLiteral("words"));
             return !fakes.pasteboard.isTransient();
         }},
    };

    for (const Row& row : rows) {
        const Setting* setting = find(row.key);
        ASSERT_NE(setting, nullptr) << row.key.toStdString();
        // Text where the setting is not text, a number where it is.
        const QVariant otherType = setting->type == Type::Text ? QVariant(1) : QVariant(QStringLiteral("7"));
        for (const QVariant& value : {QVariant(), otherType, row.stored}) {
            if (value.isValid())
                defaults.set(row.key, value);
            else
                defaults.remove(row.key);
            const QVariant seen = row.reader(defaults);
            EXPECT_FALSE(differs(defaults, row.key, seen))
                << row.key.toStdString() << " stored as " << value.toString().toStdString() << ": the page shows "
                << read(defaults, row.key).toString().toStdString() << ", the reader " << seen.toString().toStdString();
        }
        defaults.remove(row.key);
    }
}

// A hand-edited card time outside the page's slider is read at its nearer end by
// the card's hide timer and by the page alike: never a negative timer, never a
// cast past what a duration or the slider holds.
TEST_F(DictationSettingReaders, ACardTimeOutsideTheSliderIsReadAtItsNearerEnd) {
    const QString longText = QStringList(1000, QStringLiteral("word")).join(QLatin1Char(' '));
    const struct {
        double stored;
        std::chrono::milliseconds shown;
        int slider;
    } rows[] = {
        {-30.0, std::chrono::milliseconds(1000), 1}, {0.0, std::chrono::milliseconds(1000), 1},
        {0.4, std::chrono::milliseconds(1000), 1},   {12.5, std::chrono::milliseconds(12500), 12},
        {1e9, std::chrono::milliseconds(20000), 20}, {1e300, std::chrono::milliseconds(20000), 20},
    };
    for (const auto& row : rows) {
        defaults.set(kResultCardSeconds, row.stored);
        EXPECT_EQ(BubblePanel::resultLifetime(longText, false, defaults), row.shown) << row.stored;
        HotkeyManager grabs;
        const DictationPane page(
            defaults, grabs, [] {}, false);
        EXPECT_EQ(page.secondsSlider()->value(), row.slider) << row.stored;
        // Reading is not writing: the hand-edited value stays until the user moves the slider.
        EXPECT_EQ(defaults.number(kResultCardSeconds), row.stored);
    }
}

} // namespace
