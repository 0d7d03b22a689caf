#include "looks/Paper.h"

#include "support/Defaults.h"
#include "support/DictationSettings.h"

#include <QGuiApplication>

namespace Paper {

namespace {

// A window colour darker than this (HSL lightness, 0-255) reads as dark.
constexpr int kDarkBelowLightness = 128;

QColor withAlpha(QColor colour, qreal alpha) {
    colour.setAlphaF(float(alpha));
    return colour;
}

QColor rgb(qreal r, qreal g, qreal b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

const QColor kMarginOrange = rgb(0.831, 0.4, 0.122);

} // namespace

const Palette& cream() {
    static const Palette palette = [] {
        const QColor ink = rgb(0.102, 0.09, 0.078);
        return Palette{rgb(0.988, 0.976, 0.961), ink, withAlpha(ink, 0.085), withAlpha(kMarginOrange, 0.32),
                       withAlpha(ink, 0.1)};
    }();
    return palette;
}

const Palette& slate() {
    static const Palette palette = [] {
        const QColor ink = rgb(0.91, 0.902, 0.878);
        return Palette{rgb(0.098, 0.106, 0.102), ink, withAlpha(ink, 0.11), withAlpha(kMarginOrange, 0.46),
                       withAlpha(Qt::white, 0.1)};
    }();
    return palette;
}

const Palette& palette(bool dark) { return dark ? slate() : cream(); }

QString toString(Shade shade) {
    switch (shade) {
    case Shade::Cream:
        return QStringLiteral("cream");
    case Shade::Slate:
        return QStringLiteral("slate");
    case Shade::Automatic:
        return QStringLiteral("automatic");
    }
    return QStringLiteral("cream");
}

std::optional<Shade> fromString(const QString& raw) {
    for (Shade shade : {Shade::Cream, Shade::Slate, Shade::Automatic})
        if (raw == toString(shade))
            return shade;
    return std::nullopt;
}

Shade shade(const Defaults& defaults) {
    return fromString(DictationSettings::readText(defaults, DictationSettings::kPaperShade)).value_or(Shade::Cream);
}

Shade shade() { return shade(Defaults::shared()); }

bool isDark(Shade shade, bool appearanceIsDark) {
    switch (shade) {
    case Shade::Cream:
        return false;
    case Shade::Slate:
        return true;
    case Shade::Automatic:
        return appearanceIsDark;
    }
    return false;
}

bool isDark() { return isDark(shade(), applicationLooksDark()); }

bool applicationLooksDark() { return looksDark(QGuiApplication::palette()); }

bool looksDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < kDarkBelowLightness; }

} // namespace Paper
