#include "looks/SettingsForm.h"
#include "looks/PixelFont.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kHeaderSize = 13;
constexpr int kHelpSize = 11;
constexpr int kPageTitleSize = 22;

// The card behind a section's rows: the base colour with a hairline border.
class SectionCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor border = palette().color(QPalette::WindowText);
        border.setAlphaF(0.10f);
        painter.setPen(QPen(border, 1));
        // In the dark look the base colour is also the fill of switches and
        // fields, which would vanish on it: the card is lifted above the window.
        const QColor window = palette().color(QPalette::Window);
        painter.setBrush(window.lightness() < 128 ? window.lighter(135) : palette().color(QPalette::Base));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), SettingsSection::kRadius,
                                SettingsSection::kRadius);
    }
};

} // namespace

SettingsSection::SettingsSection(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(new QLabel(title, this)), m_card(new SectionCard(this)),
      m_rows(new QVBoxLayout(m_card)) {
    setObjectName(title);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(pixelFont(kHeaderSize, QFont::DemiBold));
    m_title->setContentsMargins(4, 0, 0, 0);
    column->addWidget(m_title);
    m_title->setVisible(!title.isEmpty());
    column->addWidget(m_card);
    m_rows->setContentsMargins(kPadding, kPadding - 2, kPadding, kPadding - 2);
    m_rows->setSpacing(kRowSpacing);
}

QString SettingsSection::title() const { return m_title->text(); }

void SettingsSection::setTitle(const QString& title) {
    m_title->setText(title);
    m_title->setVisible(!title.isEmpty());
}

void SettingsSection::addWidget(QWidget* row) {
    row->setParent(m_card);
    // Buttons and steppers keep their own width, at the leading edge.
    const bool compact = qobject_cast<QPushButton*>(row) || qobject_cast<QAbstractSpinBox*>(row);
    m_rows->addWidget(row, 0, compact ? Qt::AlignLeft : Qt::Alignment());
}

QCheckBox* SettingsSection::addToggle(const QString& text, bool on) {
    auto* toggle = new QCheckBox(text, m_card);
    toggle->setChecked(on);
    addWidget(toggle);
    return toggle;
}

QLabel* SettingsSection::addHelp(const QString& text) {
    auto* help = new QLabel(text, m_card);
    help->setWordWrap(true);
    help->setTextFormat(Qt::PlainText);
    help->setFont(pixelFont(kHelpSize));
    help->setForegroundRole(QPalette::PlaceholderText);
    addWidget(help);
    return help;
}

QWidget* SettingsSection::addLabelled(const QString& label, QWidget* control) {
    auto* row = new QWidget(m_card);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* name = new QLabel(label, row);
    name->setTextFormat(Qt::PlainText);
    name->setBuddy(control);
    line->addWidget(name);
    line->addStretch(1);
    control->setParent(row);
    line->addWidget(control);
    addWidget(row);
    return row;
}

SettingsForm::SettingsForm(const QString& title, QWidget* parent) : QScrollArea(parent) {
    setWindowTitle(title);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(this);
    content->setBackgroundRole(QPalette::Window);
    auto* outer = new QHBoxLayout(content);
    outer->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    auto* holder = new QWidget(content);
    holder->setMaximumWidth(kMaximumWidth);
    m_column = new QVBoxLayout(holder);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(kSectionSpacing);
    outer->addWidget(holder, 1);
    auto* heading = new QLabel(title, holder);
    heading->setFont(pixelFont(kPageTitleSize, QFont::Bold));
    m_column->addWidget(heading);
    setWidget(content);
    viewport()->setBackgroundRole(QPalette::Window);
}

SettingsSection* SettingsForm::addSection(const QString& title) {
    auto* section = new SettingsSection(title, m_column->parentWidget());
    m_column->addWidget(section);
    m_sections.append(section);
    return section;
}

SettingsSection* SettingsForm::section(const QString& title) const {
    for (SettingsSection* section : m_sections)
        if (section->title() == title)
            return section;
    return nullptr;
}

void SettingsForm::addWidget(QWidget* widget) {
    widget->setParent(m_column->parentWidget());
    m_column->addWidget(widget);
}

void SettingsForm::finish() { m_column->addStretch(1); }
