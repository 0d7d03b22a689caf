#pragma once

#include <QString>

// What the last dictation typed into the target application, for a change of
// it made afterwards (a word swap) to be typed the same way and remembered. GUI thread.
class LastInsertion {
public:
    virtual ~LastInsertion() = default;
    // The text as it went into the target: fitted to the text before it, so
    // it may carry a blank in front or have lost its first capital.
    virtual QString insertedText() const = 0;
    // `text`, a new version of the dictated text, fitted as the insertion was;
    // unchanged when the insertion was not fitted (it was only copied).
    virtual QString fittedAsInserted(const QString& text) const = 0;
    // `text`, fitted as the insertion was, now stands in the insertion's place.
    virtual void replacedBy(const QString& text) = 0;
};
