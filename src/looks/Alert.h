#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// A question or message for the user with its buttons, shown without
// blocking: the answer arrives later through a callback. Tests script the
// answers; the program shows a window-modal message box.
struct Alert {
    enum class Style { Informational, Warning, Critical };

    Style style = Style::Informational;
    QString title;
    QString text;
    // In order; the first is the default button.
    QStringList buttons;
    // The button Return chooses; -1 for the first.
    int returnButton = -1;
    // The button Escape and the window's close button choose; -1 for the last.
    int cancelButton = -1;
};

// Shows `alert` and calls `answered` once with the index of the chosen button
// (0 for the first), or -1 when the alert went away unanswered.
using AlertPresenter = std::function<void(const Alert& alert, std::function<void(int button)> answered)>;

// A presenter that shows message boxes, brought to the front.
AlertPresenter messageBoxPresenter();

// Closes every message box the presenter shows, each answered with -1, so
// that nothing holds up a quit.
void dismissOpenAlerts();
