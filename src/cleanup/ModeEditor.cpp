#include "cleanup/ModeEditor.h"

#include "cleanup/ModeStore.h"
#include "looks/TextColours.h"
#include "platform/Wording.h"
#include "support/Text.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kNameWidth = 220;
constexpr int kPickerWidth = 260;
constexpr int kInstructionHeight = 58;

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// A row of checkable buttons, one chosen, with the ids 0, 1, 2.
QWidget* segmented(const QStringList& labels, int chosen, QButtonGroup* group, QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setMaximumWidth(kPickerWidth);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(0);
    row->setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid palette(mid); background: palette(button); padding: 3px 8px; }"
                       "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text); }"));
    for (int i = 0; i < labels.size(); ++i) {
        auto* button = new QPushButton(labels.at(i), row);
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setChecked(i == chosen);
        group->addButton(button, i);
        line->addWidget(button);
    }
    return row;
}

} // namespace

ModeEditor::ModeEditor(const DictationMode& mode, ModeStore& store, QWidget* parent)
    : QWidget(parent), m_mode(mode), m_store(store), m_polish(new QButtonGroup(this)),
      m_numbers(new QButtonGroup(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 12, 0, 0);
    column->setSpacing(14);
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    if (!m_mode.isBuiltIn) {
        m_name = new QLineEdit(m_mode.name, this);
        m_name->setPlaceholderText(tr("Mode name"));
        m_name->setMaximumWidth(kNameWidth);
        form->addRow(tr("Name"), m_name);
    }
    form->addRow(tr("Polish"),
                 segmented({tr("Off"), tr("Balanced"), tr("Aggressive")}, int(m_mode.cleanLevel), m_polish, this));
    form->addRow(tr("Numbers"),
                 segmented({tr("Words"), tr("Smart"), tr("Digits")}, int(m_mode.numberStyle), m_numbers, this));
    column->addLayout(form);

    m_keepBox = new QWidget(this);
    auto* keepColumn = new QVBoxLayout(m_keepBox);
    keepColumn->setContentsMargins(0, 0, 0, 0);
    keepColumn->setSpacing(3);
    m_keep = new QCheckBox(tr("Keep every word, including um and uh"), m_keepBox);
    m_keep->setChecked(m_mode.keepsEveryWord());
    m_keepHelp = caption(QString(), m_keepBox);
    keepColumn->addWidget(m_keep);
    keepColumn->addWidget(m_keepHelp);
    column->addWidget(m_keepBox);
    connect(m_keep, &QCheckBox::toggled, this, &ModeEditor::showKeep);
    connect(m_polish, &QButtonGroup::idClicked, this, &ModeEditor::showKeep);

    m_period = new QCheckBox(tr("Finish every dictation as a full sentence"), this);
    m_period->setChecked(m_mode.endWithPeriod);
    column->addWidget(m_period);

    auto* how = new QLabel(tr("How to write in this mode"), this);
    QFont medium = how->font();
    medium.setPixelSize(12);
    medium.setWeight(QFont::Medium);
    how->setFont(medium);
    m_instruction = new QPlainTextEdit(m_mode.instruction, this);
    m_instruction->setFixedHeight(kInstructionHeight);
    column->addWidget(how);
    column->addWidget(m_instruction);
    column->addWidget(caption(Wording::of(tr("One plain sentence, in your own words. It shapes tone and punctuation "
                                             "only. It cannot make Quorvane answer you or write something you didn't "
                                             "say. Runs on your Mac like everything else.")),
                              this));
    if (!m_mode.appIDs.isEmpty()) {
        auto* apps = new QLabel(tr("Apps"), this);
        apps->setFont(medium);
        auto* ids = new QLabel(m_mode.appIDs.join(QStringLiteral(", ")), this);
        ids->setTextFormat(Qt::PlainText);
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPixelSize(11);
        ids->setFont(mono);
        ids->setWordWrap(true);
        ids->setTextInteractionFlags(Qt::TextSelectableByMouse);
        ids->setForegroundRole(QPalette::PlaceholderText);
        column->addWidget(apps);
        column->addWidget(ids);
    }
    auto* buttons = new QHBoxLayout;
    auto* saveButton = new QPushButton(tr("Save"), this);
    saveButton->setAutoDefault(false);
    connect(saveButton, &QPushButton::clicked, this, &ModeEditor::save);
    buttons->addWidget(saveButton);
    if (!m_mode.isBuiltIn) {
        m_delete = new QPushButton(tr("Delete"), this);
        m_delete->setAutoDefault(false);
        m_delete->setStyleSheet(
            QStringLiteral("QPushButton { color: %1; }").arg(TextColours::red(m_delete->palette()).name()));
        const DictationMode removed = m_mode;
        connect(m_delete, &QPushButton::clicked, this, [this, removed] { m_store.remove(removed); });
        buttons->addWidget(m_delete);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);
    showKeep();
}

void ModeEditor::showKeep() {
    m_keepBox->setVisible(m_polish->checkedId() == int(CleanLevel::Off));
    m_keepHelp->setText(m_keep->isChecked()
                            ? tr("For quoting somebody. What they said arrives exactly as they said it.")
                            : tr("For your own dictation. Um and uh are dropped and nothing else is touched, with no "
                                 "model involved."));
}

void ModeEditor::save() {
    DictationMode mode = m_mode;
    mode.cleanLevel = CleanLevel(std::max(0, m_polish->checkedId()));
    mode.numberStyle = NumberStyle(std::max(0, m_numbers->checkedId()));
    mode.endWithPeriod = m_period->isChecked();
    mode.keepEveryWord = m_keep->isChecked();
    mode.instruction = m_instruction->toPlainText();
    if (!mode.isBuiltIn && m_name && !Text::trimmedOfBlanks(m_name->text()).isEmpty())
        mode.name = m_name->text();
    m_store.update(mode);
}
