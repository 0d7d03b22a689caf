#include "mainwindow/ReaderPane.h"

#include "mainwindow/PageServices.h"
#include "mainwindow/ReadAloudSection.h"
#include "platform/Wording.h"
#include "reader/HoverReader.h"
#include "reader/ReadAloudStore.h"
#include "reader/ReaderController.h"
#include "reader/VoicePicker.h"
#include "state/AppActions.h"
#include "support/Defaults.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ReaderPane::Services ReaderPane::Services::standard(const PageServices& program) {
    Services services;
    services.defaults = &Defaults::shared();
    services.readings = &program.readings;
    services.speak = [&reader = program.reader](const QString& text) {
        (void)reader.speak(text, std::nullopt, 1.0, 1.0);
    };
    services.startHover = [&hover = program.hover] { hover.start(); };
    services.stopHover = [&hover = program.hover] { hover.stop(); };
    services.voicePicker = [&audition = program.audition, &flagHover = program.flagHover] {
        return new VoicePicker(VoicePicker::Services::standard(audition, flagHover));
    };
    services.openDwellSettings = AppActions::shared().openDwellSettings;
    return services;
}

ReaderPane::ReaderPane(Services services, QWidget* parent)
    : SettingsForm(tr("Reader"), parent), m_services(std::move(services)) {
    Defaults& defaults = *m_services.defaults;

    SettingsSection* voice = addSection(tr("Reading voice"));
    if (m_services.voicePicker)
        voice->add(m_services.voicePicker());
    voice->addHelp(tr(
        "Click a voice to hear it; click it again to keep it. Your choice is the default. If the text you select is in "
        "another language Quorvane ships a voice for, it switches for that reading and comes straight back. Picking a "
        "British voice keeps it for English."));

    SettingsSection* dictionary = addSection(tr("Reader dictionary"));
    m_readAloud = dictionary->add(new ReadAloudSection(*m_services.readings, m_services.speak));

    SettingsSection* when = addSection(tr("When it reads to you"));
    m_justRead = when->add(new QRadioButton(tr("Just read it")));
    m_followAlong = when->add(new QRadioButton(tr("Follow along in a window")));
    auto* choice = new QButtonGroup(this);
    choice->addButton(m_justRead);
    choice->addButton(m_followAlong);
    (defaults.boolOr(kReadAlongWindow, false) ? m_followAlong : m_justRead)->setChecked(true);
    connect(m_followAlong, &QRadioButton::toggled, this, [this](bool on) {
        m_services.defaults->set(kReadAlongWindow, on);
        showReadAlong();
    });
    m_quietHelp = when->addHelp(tr("Select, press the key, and it speaks with nothing on screen."));
    m_shades = new ShadeChoice;
    connect(m_shades, &SegmentedChoice::chosen, this,
            [this](const QString& shade) { m_services.defaults->set(kReaderShade, shade); });
    m_shadeRow = when->addLabelled(tr("Page"), m_shades);
    m_windowHelp.append(when->addHelp(tr(
        "Opens a page with the words in front of you and lifts each one as it is spoken, so your eyes and ears follow "
        "the same line. Click any word to hear the passage again from there. For reading with dyslexia or ADHD, for "
        "resting your eyes, and for getting through a long document without losing your place. Worth choosing for "
        "anything long even if none of that applies to you: it works in every app, and clicking back to a sentence "
        "you missed beats hunting for it.")));
    m_windowHelp.append(when->addHelp(
        tr("Following along works in every language Quorvane ships a voice for: English, Spanish, French, Italian and "
           "Brazilian Portuguese. The reader itself speaks every language it has a voice for.")));

    SettingsSection* hover = addSection(tr("Hover to read"));
    m_hover = hover->addToggle(tr("Click a paragraph to hear it read"), defaults.boolOr(kHoverReadEnabled, false));
    m_dwell = hover->add(new QPushButton(tr("Set up clicking without a click\u2026")));
    m_dwell->setEnabled(bool(m_services.openDwellSettings));
    connect(m_dwell, &QPushButton::clicked, this, [this] { m_services.openDwellSettings(); });
    m_dwellHelp = hover->addHelp(Wording::of(
        tr("If pointing is easy but clicking is not, macOS can click by resting the pointer on something. It is called "
           "Dwell Control, it works in every app, and Quorvane does not need to know it is on.")));
    hover->addHelp(Wording::of(tr(
        "Point at a paragraph anywhere on your Mac and it lights up. Click it and Quorvane reads it aloud, with no "
        "selecting and nothing small to aim at. Links, buttons, and dragging to select all behave normally. Selecting "
        "a piece and pressing the reader key still works too. Best in native apps and Safari; weaker in some Electron "
        "apps.")));
    connect(m_hover, &QCheckBox::toggled, this, [this](bool on) {
        m_services.defaults->set(kHoverReadEnabled, on);
        hoverSwitched();
    });
    finish();
    showReadAlong();
    m_dwell->setVisible(m_hover->isChecked());
    m_dwellHelp->setVisible(m_hover->isChecked());
}

void ReaderPane::showReadAlong() {
    const bool window = m_followAlong->isChecked();
    m_quietHelp->setVisible(!window);
    m_shadeRow->setVisible(window);
    for (QLabel* help : std::as_const(m_windowHelp))
        help->setVisible(window);
    m_shades->select(m_services.defaults->stringOr(kReaderShade, QStringLiteral("automatic")));
}

void ReaderPane::hoverSwitched() {
    // The stored value decides, as the launch sequence reads it.
    const bool on = m_services.defaults->boolOr(kHoverReadEnabled, false);
    if (on && m_services.startHover)
        m_services.startHover();
    else if (!on && m_services.stopHover)
        m_services.stopHover();
    m_dwell->setVisible(on);
    m_dwellHelp->setVisible(on);
}
