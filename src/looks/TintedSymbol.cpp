#include "looks/TintedSymbol.h"

#include "looks/Symbols.h"

#include <QHash>
#include <QIcon>
#include <QPainter>

namespace TintedSymbol {

QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal ratio) {
    // Lists draw the same few symbols hundreds of times.
    static QHash<QString, QPixmap> drawn;
    const QString key = symbol + QLatin1Char('/') + QString::number(size) + QLatin1Char('/')
                        + color.name(QColor::HexArgb) + QLatin1Char('/') + QString::number(ratio);
    if (const auto found = drawn.constFind(key); found != drawn.cend())
        return *found;
    QPixmap art = Symbols::icon(symbol).pixmap(QSize(size, size), ratio);
    if (art.isNull())
        return art;
    QPainter painter(&art);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(art.rect(), color);
    painter.end();
    drawn.insert(key, art);
    return art;
}

} // namespace TintedSymbol
