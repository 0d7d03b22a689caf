#pragma once

#include <QColor>

// The milestone badge's colours, light and dark variants.
namespace BadgeColors {

inline QColor ember() { return QColor::fromRgbF(0.8F, 0.541F, 0.373F); }
inline QColor headline(bool onDark) {
    return onDark ? QColor::fromRgbF(0.95F, 0.95F, 0.95F) : QColor::fromRgbF(0.086F, 0.098F, 0.122F);
}
inline QColor caption(bool onDark) {
    const float level = onDark ? 0.64F : 0.43F;
    return QColor::fromRgbF(level, level, level);
}
inline QColor markBody(bool onDark) {
    return onDark ? QColor::fromRgbF(0.937F, 0.902F, 0.847F) : QColor::fromRgbF(0.106F, 0.118F, 0.141F);
}
inline QColor markEye(bool onDark) {
    return onDark ? QColor::fromRgbF(0.047F, 0.071F, 0.11F) : QColor::fromRgbF(0.988F, 0.984F, 0.973F);
}

} // namespace BadgeColors
