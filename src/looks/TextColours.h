#pragma once

#include <QColor>
#include <QPalette>

// Text colours that keep a contrast of 4.5 : 1 (WCAG 2) on the pages, cards
// and key faces of either look. The desktop's accent, orange, green, red and
// violet serve well as fills, but as text they are too pale on a light page
// and too deep on a dark one: each has a darker shade for light pages and a
// lighter one for dark pages here. Secondary and tertiary text is the text
// colour at a share that still reads.
namespace TextColours {

inline constexpr qreal kSecondary = 0.7;
inline constexpr qreal kTertiary = 0.66;

// Whether `palette` is a dark look's.
bool isDark(const QPalette& palette);

// The palette's text colour at `share` of its strength.
QColor faded(const QPalette& palette, qreal share);
inline QColor secondary(const QPalette& palette) { return faded(palette, kSecondary); }
inline QColor tertiary(const QPalette& palette) { return faded(palette, kTertiary); }

QColor accent(const QPalette& palette);
QColor orange(const QPalette& palette);
QColor green(const QPalette& palette);
QColor red(const QPalette& palette);
QColor violet(const QPalette& palette);

} // namespace TextColours
