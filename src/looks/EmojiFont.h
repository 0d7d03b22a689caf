#pragma once

#include <QFont>

// `base` with the desktop's colour emoji fonts before its own families, for a
// text that is nothing but emoji. A character that both kinds of font have
// (the sun, the check mark) then comes out in colour rather than in the text
// font's black and white; without a colour emoji font `base` stays as it is.
QFont emojiFont(const QFont& base);
