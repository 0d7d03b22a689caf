#pragma once

#include <QList>
#include <QString>

// Tells which language a text is written in. Language codes are BCP 47 tags
// ("en", "zh-Hans").
class LanguageDetector {
public:
    struct Hypothesis {
        QString language;
        // From 0 to 1.
        double probability = 0;
        bool operator==(const Hypothesis&) const = default;
    };

    struct Guess {
        // The language most of the text is in; empty when the detector cannot tell.
        QString dominant;
        // The likeliest languages, most likely first.
        QList<Hypothesis> hypotheses;
    };

    virtual ~LanguageDetector() = default;
    // At most `maximumHypotheses` hypotheses are returned.
    virtual Guess guess(const QString& text, int maximumHypotheses) = 0;
};
