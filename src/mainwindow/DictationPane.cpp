#include "mainwindow/DictationPane.h"

#include "dictation/VariantGlassBackground.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/HotkeyRecorderField.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "mainwindow/LiveControls.h"
#include "mainwindow/LiveSettingsControl.h"
#include "platform/Wording.h"
#include "state/AppActions.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

using namespace DictationSettings;

QString DictationPane::tapLabel(const QString& raw) {
    static const QList<QPair<QString, QString>> labels = {
        {QStringLiteral("rightCommand"), QStringLiteral("Right Command \u2318")},
        {QStringLiteral("rightOption"), QStringLiteral("Right Option \u2325")},
        {QStringLiteral("leftCommand"), QStringLiteral("Left Command \u2318")},
        {QStringLiteral("leftOption"), QStringLiteral("Left Option \u2325")},
        {QStringLiteral("leftControl"), QStringLiteral("Control \u2303")},
    };
    for (const auto& [value, label] : labels)
        if (value == raw)
            return Wording::of(label);
    return raw;
}

DictationPane* DictationPane::standard(HotkeyManager& hotkeys, std::function<void()> rebind) {
    return new DictationPane(Defaults::shared(), hotkeys, std::move(rebind), AppActions::shared().translationGate());
}

DictationPane::DictationPane(Defaults& defaults, HotkeyManager& grabs, std::function<void()> rebind,
                             bool translationTaps, QWidget* parent)
    : SettingsForm(tr("Dictation"), parent), m_defaults(defaults), m_grabs(grabs), m_rebind(std::move(rebind)),
      m_translationTaps(translationTaps) {
    // 1. While you speak
    SettingsSection* speaking = addSection(tr("While you speak"));
    m_cardStyle = speaking->add(LiveControls::cardStyle(m_defaults));

    // 2. Paper
    SettingsSection* paper = addSection(tr("Paper"));
    m_paper = toggle(paper, tr("Write on ruled paper"), kPaperTheme);
    paper->addHelp(Wording::of(tr("The card you dictate onto, and your recent dictations, become the same ruled page "
                                  "the iPhone writes on. Paper is opaque, so the glass effects are switched off while "
                                  "it is on.")));
    m_shades = new ShadeChoice;
    connect(m_shades, &SegmentedChoice::chosen, this, [this](const QString& shade) { store(kPaperShade, shade); });
    m_shadeRow = paper->addLabelled(tr("Shade"), m_shades);
    m_shadeHelp = paper->addHelp(
        tr("The card floats over whatever you are working in, and a cream page over a dark editor at night is bright "
           "enough to hurt. Slate is the same page on a darker sheet, with the same ember margin rule."));
    connect(m_paper, &QCheckBox::toggled, this, &DictationPane::showShade);

    // 3. Card letters
    m_cardLetters = addSection(tr("Card letters"))->add(LiveControls::cardLetters(m_defaults));

    // 4. Pressing Return early
    SettingsSection* early = addSection(tr("Pressing Return early"));
    toggle(early, tr("Let Return send, even if you press it before the words appear"), kHoldEarlyReturn);
    early->addHelp(tr(
        "Quorvane cleans up what you said before it types it, which takes a moment. A Return pressed the instant you "
        "stop speaking therefore arrives at an empty field and sends nothing. On, Quorvane holds that keypress and "
        "repeats it once your words have landed, so dictating a reply and hitting Return straight away works. Off, "
        "Return behaves exactly as it always has and you wait for the words first."));

    // 5. After each dictation
    SettingsSection* after = addSection(tr("After each dictation"));
    toggle(after, tr("Show what was transcribed"), kShowResultCard);
    after->addHelp(Wording::of(
        tr("Off, the card gets out of the way as soon as your words have landed in the document. On, it stays for a "
           "moment showing what was typed. Useful with more than one screen: when your words land in a window you are "
           "not looking at, the card shows what was typed, and Command-V pastes it where you meant.")));
    toggle(after, tr("Keep each dictation on the clipboard"), kKeepOnClipboard);
    after->addHelp(Wording::of(tr(
        "On, Command-V pastes what you just said anywhere, which helps when your words land in the wrong place. Turn "
        "it off for sensitive work: your clipboard goes back to what it held before, clipboard history apps are told "
        "not to record it, and it is never sent to your other devices. Paste last dictation still works either way.")));

    // 6. How long the card stays
    SettingsSection* stays = addSection(tr("How long the card stays"));
    m_seconds = new QSlider(Qt::Horizontal);
    m_seconds->setRange(kSecondsMinimum, kSecondsMaximum);
    m_seconds->setSingleStep(1);
    m_seconds->setPageStep(1);
    m_seconds->setMinimumWidth(220);
    {
        const QSignalBlocker quiet(m_seconds);
        m_seconds->setValue(int(std::trunc(read(m_defaults, kResultCardSeconds).toDouble())));
    }
    m_secondsLabel = new QLabel;
    auto* secondsRow = new QWidget;
    auto* secondsLine = new QHBoxLayout(secondsRow);
    secondsLine->setContentsMargins(0, 0, 0, 0);
    secondsLine->addWidget(m_secondsLabel);
    secondsLine->addStretch(1);
    secondsLine->addWidget(m_seconds);
    stays->add(secondsRow);
    connect(m_seconds, &QSlider::valueChanged, this, [this](int seconds) {
        store(kResultCardSeconds, double(seconds));
        updateSecondsLabel();
    });
    updateSecondsLabel();
    stays->addHelp(tr("Short dictations clear sooner; this is the limit for long ones. Pressing Return, Tab, or Escape "
                      "in the app you dictated into dismisses it early, and typing elsewhere leaves it alone."));

    // 7. Hotkeys
    SettingsSection* hotkeys = addSection(tr("Hotkeys"));
    const QList<std::tuple<QString, QString, QString>> shortcuts = {
        {tr("Start / stop dictation"), kDictationKey, kDictationMods},
        {tr("Read selection aloud"), kReaderKey, kReaderMods},
        {tr("Paste my last dictation"), kPasteLastKey, kPasteLastMods},
    };
    for (const auto& [label, keyKey, modsKey] : shortcuts) {
        auto* field = new HotkeyRecorderField(label, int(read(m_defaults, keyKey).toLongLong()),
                                              int(read(m_defaults, modsKey).toLongLong()), &m_grabs);
        const QString code = keyKey;
        const QString mods = modsKey;
        connect(field, &HotkeyRecorderField::edited, this, [this, code, mods](int keyCode, int modifiers) {
            store(code, keyCode);
            store(mods, modifiers);
        });
        hotkeys->add(field);
        m_fields.append(field);
    }
    hotkeys->addHelp(tr(
        "Dictation types into whatever holds the cursor, so if focus moves while you are speaking the words can land "
        "somewhere you did not mean. Nothing is lost, it is always in your history. Click the field you meant and "
        "press this to put the last one there."));
    hotkeys->addHelp(Wording::of(
        tr("Click a field and press any keys. Combos like \u2303\u2325D work on every Mac. Plain function keys (F1 to "
           "F12) "
           "only work if you have turned on \u201CUse F1, F2, etc. as standard function keys\u201D in System Settings, "
           "otherwise macOS keeps them for volume and brightness.")));

    // 8. Double-tap to trigger
    SettingsSection* taps = addSection(tr("Double-tap to trigger"));
    m_taps = toggle(taps, tr("Start with a double-tap of a modifier key"), kDoubleTapEnabled);
    m_tapRows = new QWidget;
    auto* tapForm = new QFormLayout(m_tapRows);
    tapForm->setContentsMargins(0, 0, 0, 0);
    m_dictationTap = new QComboBox(m_tapRows);
    m_readerTap = new QComboBox(m_tapRows);
    tapForm->addRow(tr("Dictation"), m_dictationTap);
    tapForm->addRow(tr("Reader"), m_readerTap);
    taps->add(m_tapRows);
    fillTapPicker(m_dictationTap, kDoubleTapDictationKey);
    fillTapPicker(m_readerTap, kDoubleTapReaderKey);
    m_tapRows->setVisible(m_taps->isChecked());
    connect(m_taps, &QCheckBox::toggled, m_tapRows, &QWidget::setVisible);
    taps->addHelp(
        tr("Tap the chosen key twice to start, then once to stop. Starting takes two taps so it cannot happen by "
           "accident; stopping takes one because you want it immediately. A double-tap still stops it too. Right-side "
           "keys are safest since they rarely clash with shortcuts, and this works alongside your hotkeys above."));

    // 9. While dictating
    SettingsSection* dictating = addSection(tr("While dictating"));
    toggle(dictating, tr("Pause other audio"), kPauseAudio);
    dictating->addHelp(tr("Music or video sound dips to silent while the mic is live and comes right back after."));

    // 10. Card material
    SettingsSection* material = addSection(tr("Card material"));
    m_glass = new QSpinBox;
    m_glass->setRange(kGlassMinimum, kGlassMaximum);
    m_glass->setPrefix(tr("Glass style: "));
    {
        const QSignalBlocker quiet(m_glass);
        m_glass->setValue(
            int(std::clamp<qint64>(read(m_defaults, kGlassVariant).toLongLong(), kGlassMinimum, kGlassMaximum)));
    }
    connect(m_glass, &QSpinBox::valueChanged, this, [this](int variant) { store(kGlassVariant, variant); });
    material->add(m_glass);
    material->addHelp(tr("The material of the floating card. 11 is the Quorvane default."));
    // The stored style stays as it is for a desktop that draws the material.
    m_glass->setEnabled(VariantGlassBackground::available());
    if (!VariantGlassBackground::available())
        material->addHelp(tr("This desktop has no glass material, so the card keeps its own look and the style "
                             "changes nothing here."));

    finish();
    showShade();
}

void DictationPane::store(const QString& key, const QVariant& value) {
    if (!differs(m_defaults, key, value))
        return;
    m_defaults.set(key, value);
    if (isBindingKey(key) && m_rebind)
        m_rebind();
}

QCheckBox* DictationPane::toggle(SettingsSection* section, const QString& text, const QString& key) {
    QCheckBox* box = section->addToggle(text, read(m_defaults, key).toBool());
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { store(key, on); });
    return box;
}

void DictationPane::fillTapPicker(QComboBox* picker, const QString& key) {
    const QString current = read(m_defaults, key).toString();
    QStringList taken;
    if (m_translationTaps)
        taken = {readText(m_defaults, kTranslateTapKey), readText(m_defaults, kTranslateReadTapKey)};
    const QSignalBlocker quiet(picker);
    for (ModifierTapMonitor::Key tap : ModifierTapMonitor::offerable()) {
        const QString raw = ModifierTapMonitor::toString(tap);
        if (taken.contains(raw) && raw != current)
            continue;
        picker->addItem(tapLabel(raw), raw);
    }
    picker->setCurrentIndex(picker->findData(current));
    connect(picker, &QComboBox::currentIndexChanged, this, [this, picker, key](int index) {
        if (index >= 0)
            store(key, picker->itemData(index).toString());
    });
}

void DictationPane::showShade() {
    m_shades->select(readText(m_defaults, kPaperShade));
    const bool on = m_paper->isChecked();
    m_shadeRow->setVisible(on);
    m_shadeHelp->setVisible(on);
}

void DictationPane::updateSecondsLabel() {
    const int whole = int(std::trunc(read(m_defaults, kResultCardSeconds).toDouble()));
    m_secondsLabel->setText(tr("Up to ") + QString::number(whole) + tr("s after you finish"));
}
