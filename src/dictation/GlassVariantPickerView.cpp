#include "dictation/GlassVariantPickerView.h"

#include "dictation/BubbleStyle.h"
#include "dictation/VariantGlassBackground.h"
#include "looks/GlassBackdrop.h"

#include <QCoreApplication>
#include <QPainter>

namespace {
constexpr qreal kTitleSize = 15;
constexpr qreal kNumberSize = 17;
constexpr qreal kShadowAlpha = 0.33;
constexpr qreal kSheetPadding = 12;
constexpr qreal kNumberChip = 34;
} // namespace

GlassVariantPickerView::GlassVariantPickerView(QWidget* parent)
    : QWidget(parent), m_variants(VariantGlassBackground::pickerVariants()) {
    setAttribute(Qt::WA_TranslucentBackground);
    resize(sizeHint());
}

QString GlassVariantPickerView::title() {
    return QCoreApplication::translate("GlassVariantPickerView", "Pick a glass: tell me the number");
}

int GlassVariantPickerView::titleHeight() const {
    return QFontMetrics(BubbleStyle::font(kTitleSize, QFont::Bold)).height();
}

QSize GlassVariantPickerView::sizeHint() const {
    const int rows = int((m_variants.size() + kColumns - 1) / kColumns);
    const int gridWidth = kColumns * kColumnWidth + (kColumns - 1) * kColumnSpacing;
    const int gridHeight = rows * kSwatchHeight + qMax(0, rows - 1) * kRowSpacing;
    return {2 * kPadding + gridWidth, 2 * kPadding + titleHeight() + kSpacing + gridHeight};
}

QRectF GlassVariantPickerView::swatchRect(int index) const {
    const int gridWidth = kColumns * kColumnWidth + (kColumns - 1) * kColumnSpacing;
    const qreal left = (width() - gridWidth) / 2.0;
    const int row = index / kColumns;
    const int column = index % kColumns;
    const qreal top = kPadding + titleHeight() + kSpacing;
    return {left + column * (kColumnWidth + kColumnSpacing), top + row * (kSwatchHeight + kRowSpacing),
            qreal(kColumnWidth), qreal(kSwatchHeight)};
}

void GlassVariantPickerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF titleBox(0, kPadding, width(), titleHeight());
    painter.setFont(BubbleStyle::font(kTitleSize, QFont::Bold));
    // Each white text sits on a small dark sheet of its own, so that it reads
    // over a light desktop as well as a dark one; the swatches stay clear around it.
    const qreal titleWidth = painter.fontMetrics().horizontalAdvance(title()) + 2 * kSheetPadding;
    GlassBackdrop::paint(painter,
                         QRectF(titleBox.center().x() - titleWidth / 2, titleBox.top(), titleWidth, titleBox.height()),
                         titleBox.height() / 2, GlassBackdrop::Material::HudWindow);
    painter.setPen(BubbleStyle::withAlpha(Qt::black, kShadowAlpha));
    painter.drawText(titleBox.translated(0, 1), Qt::AlignCenter, title());
    painter.setPen(Qt::white);
    painter.drawText(titleBox, Qt::AlignCenter, title());

    painter.setFont(BubbleStyle::font(kNumberSize, QFont::Bold));
    for (qsizetype i = 0; i < m_variants.size(); ++i) {
        const QRectF swatch = swatchRect(int(i));
        GlassBackdrop::paint(painter, swatch, kSwatchRadius, GlassBackdrop::Material::UltraThin);
        const QRectF chip(swatch.center() - QPointF(kNumberChip / 2, kNumberChip / 2),
                          QSizeF(kNumberChip, kNumberChip));
        GlassBackdrop::paint(painter, chip, kNumberChip / 2, GlassBackdrop::Material::HudWindow);
        // White with a faint shadow, like the title.
        painter.setPen(BubbleStyle::withAlpha(Qt::black, kShadowAlpha));
        painter.drawText(swatch.translated(0, 1), Qt::AlignCenter, QString::number(m_variants[i]));
        painter.setPen(Qt::white);
        painter.drawText(swatch, Qt::AlignCenter, QString::number(m_variants[i]));
    }
}
