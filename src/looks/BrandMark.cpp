#include "looks/BrandMark.h"

#include "looks/Symbols.h"
#include "support/Bundle.h"

#include <QPainter>

BrandMark::BrandMark(qreal size, QWidget* parent) : QWidget(parent), m_size(size) {
    const QString path = Bundle::resource(QStringLiteral("icon.png"));
    if (!path.isEmpty())
        m_logo.load(path);
}

QSize BrandMark::sizeHint() const { return QSize(qRound(m_size), qRound(m_size)); }

void BrandMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame((width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size);
    if (!m_logo.isNull()) {
        painter.drawPixmap(frame, m_logo, m_logo.rect());
        return;
    }
    const qreal side = m_size * 0.8;
    const QRectF symbol(frame.center().x() - side / 2, frame.center().y() - side / 2, side, side);
    QPixmap drawn = Symbols::icon(QStringLiteral("mic.fill")).pixmap(QSize(qRound(side), qRound(side)) * 2);
    QPainter tint(&drawn);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(drawn.rect(), QColor(0xff, 0x95, 0x00));
    tint.end();
    painter.drawPixmap(symbol, drawn, drawn.rect());
}
