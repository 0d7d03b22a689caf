#pragma once

#include "learning/CorrectionCandidate.h"

#include <QString>

class Defaults;

// How often each heard/meant pair has been seen ("correctionSeen") and which
// pairs the user has been asked about ("correctionSettled"), in the settings.
// A near pair is asked about at its first sighting, any other at its second;
// nobody is asked twice. GUI thread.
class CorrectionLedger {
public:
    inline static const QString kSeenKey = QStringLiteral("correctionSeen");
    inline static const QString kDoneKey = QStringLiteral("correctionSettled");

    explicit CorrectionLedger(Defaults& defaults);

    // The heard and meant texts joined by the unit separator.
    static QString pairKey(const CorrectionCandidate& candidate);
    // Counts one sighting; true when the user is to be asked now, which settles the pair.
    bool record(const CorrectionCandidate& candidate);
    // Settles the pair after the user said no.
    void decline(const CorrectionCandidate& candidate);

private:
    Defaults& m_defaults;
};
