#include "learning/CapsuleGlass.h"

#include "looks/GlassBackdrop.h"
#include "looks/TranslucentWindow.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kShadowSteps = 5;

} // namespace

namespace CapsuleGlass {

void paint(QPainter& painter, const QRectF& capsule) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    // A blur approximated by a few widening, fading capsules.
    const QRectF shadow = capsule.translated(0, kShadowOffset);
    for (int step = kShadowSteps; step >= 1; --step) {
        const qreal spread = kShadowRadius * step / kShadowSteps;
        const QRectF ring = shadow.adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2);
        const qreal radius = ring.height() / 2;
        QColor color(0, 0, 0);
        color.setAlphaF(kShadowOpacity / kShadowSteps);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(ring, radius, radius);
    }
    painter.setClipPath(outline(capsule));
    GlassBackdrop::paint(painter, capsule, std::min(kCornerRadius, capsule.height() / 2),
                         GlassBackdrop::Material::HudWindow);
    painter.restore();
}

QPainterPath outline(const QRectF& capsule) {
    QPainterPath path;
    path.addRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    return path;
}

void keepSolidWhereUnblended(QWidget& chip, std::function<QRectF(const QSizeF& size)> capsule) {
    new TranslucentWindow(
        chip, [capsule = std::move(capsule)](const QSize& size) { return outline(capsule(QSizeF(size))); },
        GlassBackdrop::fill(GlassBackdrop::Material::HudWindow));
}

} // namespace CapsuleGlass
