#pragma once

#include <QWidget>

class QPainter;

// The translucent rounded backdrop that stands in for a blurred glass behind
// panels and chips: X11 offers no blur of what lies behind a window, so the
// material is a tinted, translucent fill with a faint light rim. The widget
// draws nothing but the backdrop; its children sit on top. GUI thread only.
class GlassBackdrop : public QWidget {
    Q_OBJECT
public:
    // The materials in use: the heads-up-display window (dark, dense), its
    // light counterpart under dark letters, and the ultra-thin one (a light veil).
    enum class Material { HudWindow, LightHud, UltraThin };

    explicit GlassBackdrop(qreal cornerRadius, Material material, QWidget* parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }
    Material material() const { return m_material; }

    // The fill of a material.
    static QColor fill(Material material);
    // Draws the backdrop over `area`.
    static void paint(QPainter& painter, const QRectF& area, qreal cornerRadius, Material material);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_cornerRadius;
    Material m_material;
};
