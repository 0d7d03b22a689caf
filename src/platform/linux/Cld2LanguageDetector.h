#pragma once

#include "platform/LanguageDetector.h"

// Language detection with the Compact Language Detector 2 library.
class Cld2LanguageDetector : public LanguageDetector {
public:
    Guess guess(const QString& text, int maximumHypotheses) override;
};
