#include "reader/FlagMagnifier.h"

#include "looks/TextColours.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/SpanishFlags.h"

#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <utility>

namespace {

QFont pointFont(const QFont& base, double size, QFont::Weight weight = QFont::Normal) {
    QFont font = base;
    font.setPointSizeF(size);
    font.setWeight(weight);
    return font;
}

QColor fadedText(const QPalette& palette, double alpha) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(alpha);
    return colour;
}

// The secondary and tertiary label colours: the text colour at reduced strength.
constexpr double kSecondaryAlpha = TextColours::kSecondary;
constexpr double kTertiaryAlpha = TextColours::kTertiary;

void setColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// A country name on one line, shrunk (down to three quarters of its size)
// until the label fits the cell.
QLabel* nameLabel(const QString& name, const QFont& base, const QPalette& palette) {
    auto* label = new QLabel(name);
    constexpr double kStep = 0.05;
    for (double scale = 1.0; scale >= FlagMagnifier::kNameMinimumScale - 1e-9; scale -= kStep) {
        label->setFont(pointFont(base, FlagMagnifier::kNameSize * scale));
        if (label->sizeHint().width() <= FlagMagnifier::kCellWidth)
            break;
    }
    label->setWordWrap(false);
    label->setFixedWidth(FlagMagnifier::kCellWidth);
    setColour(label, fadedText(palette, kSecondaryAlpha));
    return label;
}

} // namespace

FlagMagnifier::FlagMagnifier(std::function<void()> dismiss, int columns, FlagMagnifierHover& hover, QWidget* parent)
    : QWidget(parent), m_dismiss(std::move(dismiss)), m_hover(hover) {
    setFixedWidth(kWidth);
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);

    auto* header = new QVBoxLayout;
    header->setSpacing(kHeaderSpacing);
    auto* title = new QLabel(QStringLiteral("Spanish"));
    title->setFont(pointFont(font(), kTitleSize, QFont::DemiBold));
    auto* subtitle = new QLabel(spokenInText());
    subtitle->setFont(pointFont(font(), kSubtitleSize));
    setColour(subtitle, fadedText(palette(), kSecondaryAlpha));
    header->addWidget(title);
    header->addWidget(subtitle);
    column->addLayout(header);

    auto* grid = new QGridLayout;
    grid->setSpacing(kGridSpacing);
    grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int across = std::max(1, columns);
    const QList<SpanishFlags::Entry>& flags = SpanishFlags::table();
    for (int i = 0; i < flags.size(); ++i) {
        auto* cell = new QWidget;
        cell->setFixedWidth(kCellWidth);
        auto* stack = new QVBoxLayout(cell);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(kCellSpacing);
        auto* flag = new QLabel(flags[i].flag);
        flag->setFont(pointFont(font(), kFlagSize));
        stack->addWidget(flag);
        stack->addWidget(nameLabel(flags[i].name, font(), palette()));
        grid->addWidget(cell, i / across, i % across, Qt::AlignLeft | Qt::AlignTop);
    }
    column->addLayout(grid);

    auto* note = new QLabel(noteText());
    note->setFont(pointFont(font(), kNoteSize));
    note->setWordWrap(true);
    setColour(note, fadedText(palette(), kTertiaryAlpha));
    column->addWidget(note);
}

QString FlagMagnifier::spokenInText() {
    return QStringLiteral("Spoken in ") + QString::asprintf("%lld", SpanishFlags::kSpokenCountries)
           + QStringLiteral(" countries");
}

QString FlagMagnifier::noteText() {
    return QStringLiteral("Quorvane ships three Spanish voices. They read for all of them.");
}

void FlagMagnifier::enterEvent(QEnterEvent* event) {
    m_hover.setInside(true);
    QWidget::enterEvent(event);
}

void FlagMagnifier::leaveEvent(QEvent* event) {
    m_hover.setInside(false, m_dismiss);
    QWidget::leaveEvent(event);
}
