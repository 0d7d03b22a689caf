#pragma once

#include "cleanup/NumberStyle.h"

#include <QString>

#include <optional>

// The last text pass before a dictated or cleaned text is inserted or spoken:
// the user's dictionary corrections, then dash, spacing and sentence-punctuation
// fixes, then a capital first letter unless the text opens with a web or e-mail
// address. Web addresses, ranges ("10–20") and dotted abbreviations ("U.S.") are
// left as they are.
namespace TextCleanup {

// `numbers` (a number style) is accepted like the other passes take it and does
// not change the result.
QString postProcess(const QString& text, std::optional<NumberStyle> numbers = std::nullopt);

} // namespace TextCleanup
