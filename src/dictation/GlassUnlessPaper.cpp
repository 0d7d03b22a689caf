#include "dictation/GlassUnlessPaper.h"

#include "dictation/LiquidGlassOverlay.h"
#include "dictation/VariantGlassBackground.h"
#include "looks/GlassBackdrop.h"

void GlassUnlessPaper::paintBehind(QPainter& painter, const QRectF& look) const {
    if (paper)
        return;
    // Without blur behind windows, the glass is a translucent rounded sheet.
    GlassBackdrop::paint(painter, look, LiquidGlassOverlay::kRadius,
                         light ? GlassBackdrop::Material::LightHud : GlassBackdrop::Material::HudWindow);
    VariantGlassBackground{LiquidGlassOverlay::kRadius}.paint(painter, look, variant);
}

void GlassUnlessPaper::paintOver(QPainter& painter, const QRectF& look) const {
    if (!paper)
        LiquidGlassOverlay{}.paint(painter, look);
}
