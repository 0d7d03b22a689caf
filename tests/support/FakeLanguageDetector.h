#pragma once

#include "platform/LanguageDetector.h"

#include <QStringList>

// Answers every text with the guess a test sets and records the texts asked about.
class FakeLanguageDetector : public LanguageDetector {
public:
    Guess guess(const QString& text, int maximumHypotheses) override {
        texts.append(text);
        Guess answer = next;
        answer.hypotheses = answer.hypotheses.mid(0, maximumHypotheses);
        return answer;
    }

    // A text entirely in `language` with the given probability.
    void answer(const QString& language, double probability = 0.95) { next = {language, {{language, probability}}}; }

    Guess next;
    QStringList texts;
};
