#include "looks/TextColours.h"

namespace TextColours {

namespace {

constexpr int kDarkBelowLightness = 128;

QColor pick(const QPalette& palette, QRgb onLight, QRgb onDark) {
    return QColor::fromRgb(isDark(palette) ? onDark : onLight);
}

} // namespace

bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < kDarkBelowLightness; }

QColor faded(const QPalette& palette, qreal share) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(float(colour.alphaF() * share));
    return colour;
}

QColor accent(const QPalette& palette) { return palette.color(QPalette::Link); }

QColor orange(const QPalette& palette) { return pick(palette, 0xff9a4800, 0xffffb340); }

QColor green(const QPalette& palette) { return pick(palette, 0xff17692f, 0xff30d158); }

QColor red(const QPalette& palette) { return pick(palette, 0xffb3261e, 0xffffb0a8); }

QColor violet(const QPalette& palette) { return pick(palette, 0xff7a29a6, 0xffd6adff); }

} // namespace TextColours
