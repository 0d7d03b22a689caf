#pragma once

#include <QWidget>

struct OnboardingServices;

// The move page: why the copy should live in an Applications folder, a button
// that moves it there (or shows where it is when the move cannot start) and
// one that only shows where it is.
class MoveStep : public QWidget {
    Q_OBJECT
public:
    MoveStep(const OnboardingServices& services, QWidget* parent = nullptr);
    // The explanation for a copy that is, or is not, a temporary copy.
    static QString body(bool translocated, const QString& whereItIs);
};
