#include "looks/GlassBackdrop.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Dense enough to keep text readable over any desktop, a white one under the
// dark sheet and a black one under the light sheet.
const QColor kHudFill(28, 28, 30, 217);
const QColor kLightHudFill(246, 246, 248, 217);
const QColor kUltraThinFill(255, 255, 255, 46);
const QColor kRim(255, 255, 255, 28);

} // namespace

GlassBackdrop::GlassBackdrop(qreal cornerRadius, Material material, QWidget* parent)
    : QWidget(parent), m_cornerRadius(cornerRadius), m_material(material) {
    setAttribute(Qt::WA_TranslucentBackground);
}

QColor GlassBackdrop::fill(Material material) {
    switch (material) {
    case Material::HudWindow:
        return kHudFill;
    case Material::LightHud:
        return kLightHudFill;
    case Material::UltraThin:
        break;
    }
    return kUltraThinFill;
}

void GlassBackdrop::paint(QPainter& painter, const QRectF& area, qreal cornerRadius, Material material) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    shape.addRoundedRect(area, cornerRadius, cornerRadius);
    painter.fillPath(shape, fill(material));
    painter.setPen(QPen(kRim, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.restore();
}

void GlassBackdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_cornerRadius, m_material);
}
