#include "looks/Appearance.h"

#include "platform/ColorScheme.h"
#include "platform/Platform.h"
#include "support/Defaults.h"

#include <QApplication>
#include <QPalette>

namespace {

constexpr int kDarkBelowLightness = 128;

// The palette the program had before any stored appearance was applied.
const QPalette& platformPalette() {
    static const QPalette palette = QGuiApplication::palette();
    return palette;
}

bool looksDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < kDarkBelowLightness; }

QPalette lightPalette() {
    QPalette p = platformPalette();
    p.setColor(QPalette::Window, QColor(0xf0, 0xf0, 0xf0));
    p.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf5));
    p.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Button, QColor(0xf0, 0xf0, 0xf0));
    p.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, QColor(0xe3, 0xe3, 0xe3));
    p.setColor(QPalette::Mid, QColor(0xb8, 0xb8, 0xb8));
    p.setColor(QPalette::Dark, QColor(0xa0, 0xa0, 0xa0));
    p.setColor(QPalette::Shadow, QColor(0x76, 0x76, 0x76));
    p.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    p.setColor(QPalette::ToolTipText, Qt::black);
    // Help text, selections and links keep 4.5 : 1 with what they sit on.
    p.setColor(QPalette::PlaceholderText, QColor(0x63, 0x63, 0x66));
    p.setColor(QPalette::Highlight, QColor(0x0a, 0x5f, 0xb4));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x09, 0x58, 0xa8));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x9e, 0x9e, 0x9e));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x9e, 0x9e, 0x9e));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x9e, 0x9e, 0x9e));
    return p;
}

QPalette darkPalette() {
    QPalette p = platformPalette();
    p.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2d));
    p.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    p.setColor(QPalette::Text, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    p.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4d));
    p.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x45));
    p.setColor(QPalette::Mid, QColor(0x2c, 0x2c, 0x2e));
    p.setColor(QPalette::Dark, QColor(0x1f, 0x1f, 0x21));
    p.setColor(QPalette::Shadow, QColor(0x0b, 0x0b, 0x0c));
    p.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3c));
    p.setColor(QPalette::ToolTipText, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::PlaceholderText, QColor(0xae, 0xae, 0xb2));
    p.setColor(QPalette::Highlight, QColor(0x1f, 0x6f, 0xbf));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x8c, 0xc6, 0xff));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x7a, 0x7a, 0x7e));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x7a, 0x7a, 0x7e));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x7a, 0x7a, 0x7e));
    // Disabled text is drawn over an etched copy in Light: on a dark ground a
    // light etch would outshine the text, so it sinks into the ground instead.
    p.setColor(QPalette::Disabled, QPalette::Light, QColor(0x1e, 0x1e, 0x20));
    return p;
}

// The watch on the desktop's preference while the look follows it.
QMetaObject::Connection& desktopWatch() {
    static QMetaObject::Connection connection;
    return connection;
}

} // namespace

void applyStoredAppearance(const Defaults& defaults, const ColorScheme* desktop) {
    platformPalette();
    QObject::disconnect(desktopWatch());
    const QString appearance = defaults.string(QStringLiteral("appearance")).value_or(QString());
    std::optional<bool> dark;
    if (appearance == QLatin1String("light")) {
        dark = false;
    } else if (appearance == QLatin1String("dark")) {
        dark = true;
    } else if (desktop) {
        dark = desktop->prefersDark();
        desktopWatch() = QObject::connect(desktop, &ColorScheme::changed, &defaults,
                                          [&defaults, desktop] { applyStoredAppearance(defaults, desktop); });
    }
    QGuiApplication::setPalette(dark ? (*dark ? darkPalette() : lightPalette()) : platformPalette());
}

void applyStoredAppearance() { applyStoredAppearance(Defaults::shared(), Platform::current().colorScheme); }

namespace Appearance {

bool isDark() { return looksDark(QGuiApplication::palette()); }

bool desktopIsDark(const ColorScheme* desktop) {
    if (desktop)
        if (const std::optional<bool> dark = desktop->prefersDark())
            return *dark;
    return looksDark(platformPalette());
}

bool desktopIsDark() { return desktopIsDark(Platform::current().colorScheme); }

} // namespace Appearance
