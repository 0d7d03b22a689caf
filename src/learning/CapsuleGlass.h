#pragma once

#include <QRectF>
#include <QSizeF>

#include <functional>

class QPainter;
class QPainterPath;
class QWidget;

// The capsule look of the small chips: the shared glass backdrop clipped to a
// capsule, over a soft black shadow 4 points below it.
namespace CapsuleGlass {

inline constexpr qreal kCornerRadius = 16;
inline constexpr qreal kShadowRadius = 10;
inline constexpr qreal kShadowOffset = 4;
inline constexpr qreal kShadowOpacity = 0.3;

// Paints the shadow and the capsule inside `area`; the shadow needs
// kShadowRadius of room around the capsule to show in full.
void paint(QPainter& painter, const QRectF& capsule);

// The capsule's outline.
QPainterPath outline(const QRectF& capsule);

// Keeps the chip window `chip` right on desktops that do not blend windows:
// cut to `capsule(size)`, on the glass's colour made solid.
void keepSolidWhereUnblended(QWidget& chip, std::function<QRectF(const QSizeF& size)> capsule);

} // namespace CapsuleGlass
