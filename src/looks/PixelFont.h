#pragma once

#include <QFont>

// `base` (the application's font unless given) at `pixels` pixels, rounded
// and at least one, in `weight`: the views size their text in pixels.
QFont pixelFont(qreal pixels, QFont::Weight weight = QFont::Normal, QFont base = QFont());
