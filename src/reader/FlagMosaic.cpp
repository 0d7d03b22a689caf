#include "reader/FlagMosaic.h"

#include "reader/SpanishFlags.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

double FlagMosaic::Geometry::cell() const {
    if (columns <= 0)
        return 0;
    return (side - spacing * (columns - 1)) / columns;
}

QSizeF FlagMosaic::Geometry::size() const {
    if (rows <= 0)
        return {side, 0};
    return {side, cell() * rows + spacing * (rows - 1)};
}

QRectF FlagMosaic::Geometry::cellRect(int row, int column) const {
    const double c = cell();
    return {column * (c + spacing), row * (c + spacing), c, c};
}

std::optional<int> FlagMosaic::Geometry::entryAt(int row, int column) const {
    if (row < 0 || column < 0 || row >= rows || column >= columns)
        return std::nullopt;
    const int index = row * columns + column;
    if (index >= SpanishFlags::table().size())
        return std::nullopt;
    return index;
}

FlagMosaic::FlagMosaic(const Geometry& geometry, QWidget* parent) : QWidget(parent), m_geometry(geometry) {
    setAccessibleName(accessibleText());
    setAttribute(Qt::WA_TranslucentBackground);
    const QSizeF size = m_geometry.size();
    setFixedSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
}

QSize FlagMosaic::sizeHint() const {
    const QSizeF size = m_geometry.size();
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

QString FlagMosaic::accessibleText() {
    return QStringLiteral("Spanish, spoken in ") + QString::asprintf("%lld", SpanishFlags::kSpokenCountries)
           + QStringLiteral(" countries");
}

void FlagMosaic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QSizeF whole = m_geometry.size();
    const QPointF origin((width() - whole.width()) / 2, (height() - whole.height()) / 2);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(origin, whole), kCornerRadius, kCornerRadius);
    painter.setClipPath(frame);

    QFont font = painter.font();
    font.setPixelSize(std::max(1, int(std::lround(m_geometry.cell() * kFlagScale))));
    painter.setFont(font);
    for (int row = 0; row < m_geometry.rows; ++row) {
        for (int column = 0; column < m_geometry.columns; ++column) {
            const std::optional<int> entry = m_geometry.entryAt(row, column);
            if (!entry)
                continue;
            const QRectF cell = m_geometry.cellRect(row, column).translated(origin);
            painter.save();
            QPainterPath square;
            square.addRect(cell);
            painter.setClipPath(square, Qt::IntersectClip);
            // A text box larger than the cell, centred on it, so the glyph's
            // centre sits on the cell's centre.
            const double box = cell.width() * 3;
            const QRectF textBox(cell.center().x() - box / 2, cell.center().y() - box / 2, box, box);
            painter.drawText(textBox, Qt::AlignCenter, SpanishFlags::table()[*entry].flag);
            painter.restore();
        }
    }
}
