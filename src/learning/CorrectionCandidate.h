#pragma once

#include <QString>

// One edit of a dictated text that may be a misheard word: what was heard, what
// the user meant, and whether the two look like one word spelled differently.
struct CorrectionCandidate {
    QString heard;
    QString meant;
    bool near = false;
    bool operator==(const CorrectionCandidate&) const = default;
};
