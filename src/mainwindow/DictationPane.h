#pragma once

#include "looks/SettingsForm.h"
#include "looks/ShadeChoice.h"
#include "support/DictationSettings.h"

#include <QVariant>

#include <functional>

class Defaults;
class HotkeyManager;
class HotkeyRecorderField;
class LiveSettingsControl;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

// The Dictation page: the card's looks, the three hotkeys, the modifier
// double-taps, the pause of other audio and the clipboard. Every control
// writes its key at once; a change of one of the nine shortcut settings calls
// `rebind` once, after the value is stored (loading the page calls nothing).
// GUI thread only.
class DictationPane : public SettingsForm {
    Q_OBJECT
public:
    static constexpr int kSecondsMinimum = int(DictationSettings::kResultCardSecondsRange.lowest);
    static constexpr int kSecondsMaximum = int(DictationSettings::kResultCardSecondsRange.highest);
    static constexpr int kGlassMinimum = 0;
    static constexpr int kGlassMaximum = 19;

    // `defaults` and `grabs` (the hotkeys, paused while a shortcut field
    // records) must outlive the page. `translationTaps` says whether the two
    // translation double-taps are bound; their keys are then left out of the
    // page's own pickers (unless a picker holds one already).
    DictationPane(Defaults& defaults, HotkeyManager& grabs, std::function<void()> rebind, bool translationTaps,
                  QWidget* parent = nullptr);

    // The page of the running program, over its settings and `hotkeys`.
    static DictationPane* standard(HotkeyManager& hotkeys, std::function<void()> rebind);

    // The labels of the double-tap keys, as shown.
    static QString tapLabel(const QString& raw);

    HotkeyRecorderField* dictationField() const { return m_fields.at(0); }
    HotkeyRecorderField* readerField() const { return m_fields.at(1); }
    HotkeyRecorderField* pasteLastField() const { return m_fields.at(2); }
    QCheckBox* paperToggle() const { return m_paper; }
    QWidget* shadeRow() const { return m_shadeRow; }
    QList<QAbstractButton*> shadeButtons() const { return m_shades->buttons(); }
    QCheckBox* tapsToggle() const { return m_taps; }
    QComboBox* dictationTapPicker() const { return m_dictationTap; }
    QComboBox* readerTapPicker() const { return m_readerTap; }
    QSlider* secondsSlider() const { return m_seconds; }
    QLabel* secondsLabel() const { return m_secondsLabel; }
    QSpinBox* glassStepper() const { return m_glass; }
    LiveSettingsControl* cardStyleControl() const { return m_cardStyle; }
    LiveSettingsControl* cardLettersControl() const { return m_cardLetters; }

private:
    // Stores `value` when it changes what the readers see; re-binds after a
    // shortcut setting changed.
    void store(const QString& key, const QVariant& value);
    QCheckBox* toggle(SettingsSection* section, const QString& text, const QString& key);
    void fillTapPicker(QComboBox* picker, const QString& key);
    void showShade();
    void updateSecondsLabel();

    Defaults& m_defaults;
    HotkeyManager& m_grabs;
    std::function<void()> m_rebind;
    bool m_translationTaps;
    QList<HotkeyRecorderField*> m_fields;
    LiveSettingsControl* m_cardStyle = nullptr;
    LiveSettingsControl* m_cardLetters = nullptr;
    QCheckBox* m_paper = nullptr;
    QWidget* m_shadeRow = nullptr;
    QLabel* m_shadeHelp = nullptr;
    ShadeChoice* m_shades = nullptr;
    QCheckBox* m_taps = nullptr;
    QWidget* m_tapRows = nullptr;
    QComboBox* m_dictationTap = nullptr;
    QComboBox* m_readerTap = nullptr;
    QSlider* m_seconds = nullptr;
    QLabel* m_secondsLabel = nullptr;
    QSpinBox* m_glass = nullptr;
};
