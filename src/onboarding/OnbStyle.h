#pragma once

#include "looks/TextColours.h"

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The shared colours and fonts of the onboarding pages and the keyboard guide,
// taken from the application's palette so they follow light and dark.
class QLabel;

namespace OnbStyle {

inline constexpr float kSecondaryAlpha = float(TextColours::kSecondary);
inline constexpr float kTertiaryAlpha = float(TextColours::kTertiary);

// The accent for symbols and fills; text in the accent takes `accentText`.
inline QColor accent(const QPalette& palette) { return palette.color(QPalette::Highlight); }
inline QColor accentText(const QPalette& palette) { return TextColours::accent(palette); }
inline QColor primary(const QPalette& palette) { return palette.color(QPalette::WindowText); }
inline QColor withAlpha(QColor color, float alpha) {
    color.setAlphaF(alpha);
    return color;
}
inline QColor secondary(const QPalette& palette) { return withAlpha(primary(palette), kSecondaryAlpha); }
inline QColor tertiary(const QPalette& palette) { return withAlpha(primary(palette), kTertiaryAlpha); }
inline QColor green(const QPalette& palette) { return TextColours::green(palette); }
inline QColor red(const QPalette& palette) { return TextColours::red(palette); }

// The application font at `pixels` in `weight`.
QFont font(qreal pixels, QFont::Weight weight = QFont::Normal);
// Sets the text colour of a label or button.
void setForeground(QWidget& widget, const QColor& color);
// A wrapping label, centred, at `pixels` in `color`.
QLabel* centredText(const QString& text, qreal pixels, const QColor& color, QWidget* parent);

} // namespace OnbStyle
