#pragma once

#include <QList>

#include <optional>

// The steps of the first run, in the order they come.
enum class OnboardingStep { Move = 0, Welcome, Speaking, Reading, Engine, Permissions, Languages, FirstWords };

namespace OnboardingSteps {

// The steps of this run: "Move" only for a copy that should move, "Languages"
// only with the on-device translator.
QList<OnboardingStep> list(bool offerMove, bool translationAvailable);
// Where the current step stands in `steps`; 0 when it is not there.
int position(const QList<OnboardingStep>& steps, OnboardingStep current);
// The step Back leads to: the one before, or the first.
OnboardingStep back(const QList<OnboardingStep>& steps, OnboardingStep current);
// The step the primary button leads to; none on the last step, which finishes.
std::optional<OnboardingStep> next(const QList<OnboardingStep>& steps, OnboardingStep current);
// The step with raw value `raw`, none outside 0 to 7.
std::optional<OnboardingStep> fromRaw(int raw);

} // namespace OnboardingSteps
