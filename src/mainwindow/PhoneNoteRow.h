#pragma once

#include "mainwindow/DashboardCard.h"
#include "mainwindow/RowAge.h"
#include "phonelink/PhoneNote.h"

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QToolButton;
class SegmentedSwitch;

// One note from the phone on the Dashboard: its title and age, its text
// (cleaned, or as dictated), copy, dismiss, and sending it on to the chosen
// application or to Notes. Its age is told again each time it comes on screen.
class PhoneNoteRow : public DashboardCard {
    Q_OBJECT
public:
    // Where notes go, as the row shows it.
    struct Target {
        std::optional<QString> pinnedIdentifier;
        std::optional<QString> name;
        std::optional<QString> lastError;
        QString notesFolder;
    };
    struct Actions {
        std::function<void(const QString& shownText)> copy;
        std::function<void()> dismiss;
        std::function<void(const QString& shownText)> send;
        std::function<void(bool asDictated)> showAsDictated;
        std::function<void()> chooseApp;
        std::function<void()> chooseFolder;
    };

    PhoneNoteRow(const PhoneNote& note, bool asDictated, bool sendFailed, const Target& target, const QDateTime& now,
                 bool paper, Defaults& defaults, Actions actions, QWidget* parent = nullptr);

    // The text the row shows, copies and sends.
    static QString shownText(const PhoneNote& note, bool asDictated);
    // The line shown under a note whose last send failed.
    static QString failureLine(const Target& target);

    // The note as the row shows it.
    const PhoneNote& note() const { return m_phone; }

    QLabel* title() const { return m_title; }
    QLabel* age() const { return m_ageLabel; }
    QLabel* text() const { return m_text; }
    QToolButton* copyButton() const { return m_copy; }
    QToolButton* dismissButton() const { return m_dismiss; }
    // None unless the note was cleaned and keeps the phone's wording.
    SegmentedSwitch* wordingSwitch() const { return m_switch; }
    QLabel* switchNote() const { return m_note; }
    // "Choose where these go…" or "Insert into …".
    QPushButton* sendButton() const { return m_send; }
    QPushButton* changeButton() const { return m_change; }
    QPushButton* folderButton() const { return m_folder; }
    // None unless the last send of this note failed.
    QLabel* failure() const { return m_failure; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    PhoneNote m_phone;
    RowAge m_age;
    QLabel* m_title;
    QLabel* m_ageLabel;
    QLabel* m_text;
    QToolButton* m_copy;
    QToolButton* m_dismiss;
    SegmentedSwitch* m_switch = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_send;
    QPushButton* m_change = nullptr;
    QPushButton* m_folder = nullptr;
    QLabel* m_failure = nullptr;
};
