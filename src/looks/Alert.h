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

// An alert shows at most this many lines and characters of its title and of
// its text; what is cut ends in "…" and the whole text goes to the log.
inline constexpr qsizetype kAlertMaxLines = 20;
inline constexpr qsizetype kAlertMaxCharacters = 2000;

// `text` as an alert shows it: at most kAlertMaxLines lines and
// kAlertMaxCharacters UTF-16 units, cut between user-perceived characters, with
// "…" where it was cut.
QString boundedAlertText(const QString& text);

// Shows `alert` and calls `answered` once with the index of the chosen button
// (0 for the first), or -1 when the alert went away unanswered.
using AlertPresenter = std::function<void(const Alert& alert, std::function<void(int button)> answered)>;

// A presenter that shows message boxes, brought to the front. Every text is
// shown as plain text, bounded: titles and texts carry device names, update
// notes and program output, which must never be taken for markup.
AlertPresenter messageBoxPresenter();

// Closes every message box the presenter shows, each answered with -1, so
// that nothing holds up a quit.
void dismissOpenAlerts();
