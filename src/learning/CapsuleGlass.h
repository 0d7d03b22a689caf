#pragma once

#include <QRectF>

class QPainter;

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

} // namespace CapsuleGlass
