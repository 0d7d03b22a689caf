#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// A named symbol drawn in one colour at `size` points for a screen of `ratio`
// device pixels per point; a null pixmap for an unknown symbol. Drawn once
// per symbol, size, colour and density. GUI thread only.
namespace TintedSymbol {

QPixmap pixmap(const QString& symbol, int size, const QColor& color, qreal ratio);

} // namespace TintedSymbol
