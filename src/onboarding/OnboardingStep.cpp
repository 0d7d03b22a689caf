#include "onboarding/OnboardingStep.h"

#include <algorithm>

namespace OnboardingSteps {

QList<OnboardingStep> list(bool offerMove, bool translationAvailable) {
    QList<OnboardingStep> steps;
    for (int raw = 0; raw <= int(OnboardingStep::FirstWords); ++raw) {
        const auto step = OnboardingStep(raw);
        if (step == OnboardingStep::Move && !offerMove)
            continue;
        if (step == OnboardingStep::Languages && !translationAvailable)
            continue;
        steps.append(step);
    }
    return steps;
}

int position(const QList<OnboardingStep>& steps, OnboardingStep current) {
    const qsizetype at = steps.indexOf(current);
    return at < 0 ? 0 : int(at);
}

OnboardingStep back(const QList<OnboardingStep>& steps, OnboardingStep current) {
    if (steps.isEmpty())
        return current;
    return steps.at(std::max(position(steps, current), 1) - 1);
}

std::optional<OnboardingStep> next(const QList<OnboardingStep>& steps, OnboardingStep current) {
    const int n = int(steps.size());
    const int p = position(steps, current);
    if (n == 0 || p == n - 1)
        return std::nullopt;
    return steps.at(std::min(n - 1, p + 1));
}

std::optional<OnboardingStep> fromRaw(int raw) {
    if (raw < 0 || raw > int(OnboardingStep::FirstWords))
        return std::nullopt;
    return OnboardingStep(raw);
}

} // namespace OnboardingSteps
