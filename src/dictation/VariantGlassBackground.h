#pragma once

#include <QList>
#include <QRectF>

class Defaults;
class QPainter;

// The numbered glass behind the bubble's card. The numbered glass material
// exists on no desktop this program runs on, so the background adds nothing
// and the card keeps its own translucent look; the stored variant is still
// read as the settings page writes it.
struct VariantGlassBackground {
    qreal cornerRadius = 24;

    // Whether the desktop offers the numbered glass: never here.
    static bool available();
    // "glassVariant" when it is an integer, else the setting's default.
    static int storedVariant(const Defaults& defaults);
    // The variants the picker offers: 0 to 15, then 19.
    static QList<int> pickerVariants();

    // Draws the glass behind `area`; without the material, nothing.
    void paint(QPainter& painter, const QRectF& area, int variant) const;
};
