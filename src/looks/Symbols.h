#pragma once

#include <QIcon>
#include <QString>

// Named symbols ("mic.fill", "wand.and.sparkles", …) drawn as our own SVG icons
// in resources/icons. An unknown name gives a null icon.
namespace Symbols {

QIcon icon(const QString& name);
// The SVG file behind `name`, or an empty string.
QString path(const QString& name);

} // namespace Symbols
