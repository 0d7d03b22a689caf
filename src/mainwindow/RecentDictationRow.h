#pragma once

#include "mainwindow/DashboardCard.h"
#include "mainwindow/RowAge.h"
#include "stores/HistoryEntry.h"

#include <functional>

class QLabel;
class QToolButton;
class SegmentedSwitch;

// One past dictation on the Dashboard: when and where it was dictated, its
// text (as typed, or as spoken for a translated one), copy and remove. Its
// age is told again each time it comes on screen.
class RecentDictationRow : public DashboardCard {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const QString& shownText)> copy;
        std::function<void()> remove;
        std::function<void(bool spoken)> showSpoken;
    };

    RecentDictationRow(const HistoryEntry& entry, bool showingSpoken, bool copied, const QDateTime& now, bool paper,
                       Defaults& defaults, Actions actions, QWidget* parent = nullptr);

    // The text the row shows and copies.
    static QString shownText(const HistoryEntry& entry, bool showingSpoken);

    // Shows "Copied" and a checkmark in place of the time and the copy symbol.
    void setCopied(bool copied);

    QLabel* when() const { return m_when; }
    QLabel* text() const { return m_text; }
    QToolButton* copyButton() const { return m_copy; }
    QToolButton* removeButton() const { return m_remove; }
    // None for an entry that was not translated.
    SegmentedSwitch* languageSwitch() const { return m_switch; }
    QLabel* switchNote() const { return m_note; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    HistoryEntry m_entry;
    RowAge m_age;
    bool m_copied = false;
    QLabel* m_when;
    QLabel* m_text;
    QToolButton* m_copy;
    QToolButton* m_remove;
    SegmentedSwitch* m_switch = nullptr;
    QLabel* m_note = nullptr;
};
