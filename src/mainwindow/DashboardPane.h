#pragma once

#include "mainwindow/DashboardServices.h"
#include "mainwindow/PhoneNoteRow.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>
#include <QSet>
#include <QUuid>
#include <QVBoxLayout>

#include <chrono>
#include <functional>
#include <optional>

class HeroCard;
struct PhoneNote;
class QLabel;
class QPushButton;
class GreetingLine;
class QVBoxLayout;
class RecentDictationRow;
struct HistoryEntry;

// The first page of the main window: a greeting, the time-saved card, the
// notes from the phone and the recent dictations, each list only when it has
// something. Redraws at once when a store or one of its settings changes.
// GUI thread only.
class DashboardPane : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kSpacing = 22;
    static constexpr int kPadding = 28;
    static constexpr int kGreetingSize = 27;
    static constexpr std::chrono::milliseconds kCopiedFeedback{1400};
    static constexpr std::chrono::milliseconds kArrivalBadge{6000};
    // Rows built before the page first paints (both lists together); the
    // rest follow in passes between events, so a long list does not hold up
    // the window.
    static constexpr qsizetype kRowsAtOnce = 5;
    static constexpr qsizetype kRowsPerPass = 40;
    // Phone rows are made only as far as the page has been scrolled: this
    // many at first, and as many more each time the end of the list comes
    // within a screen of view. A thousand waiting notes cost the page what
    // the user has looked at.
    static constexpr qsizetype kPhoneRowsPerScreen = 40;

    explicit DashboardPane(DashboardServices services, QWidget* parent = nullptr);
    ~DashboardPane() override;

    // "Good morning, Ana ☀️" and its evening and afternoon forms for `hour` (0–23).
    static QString greeting(int hour, const QString& name);
    // The greeting without its symbol: "Good morning, Ana".
    static QString greetingWords(int hour, const QString& name);
    // The sun by day, the moon by night.
    static QString greetingSymbol(int hour);

    GreetingLine* greetingLine() const { return m_greeting; }
    HeroCard* heroCard() const { return m_hero; }
    // None while the inbox is empty.
    QWidget* phoneSection() const { return m_phoneSection; }
    // None while the history is empty.
    QWidget* recentSection() const { return m_recentSection; }
    QLabel* arrivalBadge() const { return m_badge; }
    QPushButton* clearPhoneNotes() const { return m_clearPhone; }
    QPushButton* clearHistory() const { return m_clearHistory; }
    QList<RecentDictationRow*> recentRows() const;
    QList<QWidget*> phoneRows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refreshGreeting();
    void rebuildPhoneSection();
    // Brings the phone rows in line with the inbox after its notes changed:
    // rows of notes that went or changed go, new ones are made, the others
    // stay. Runs from the event loop, so a phone's receipt never waits for it.
    void queuePhoneUpdate();
    void updatePhoneRows();
    void rebuildRecentSection();
    // Places the rows of `notes` from `from` on in the section, in order and
    // as far as the rows wanted, reusing the rows already made and making at
    // most a pass's worth; once all are placed, rows past the wanted ones go.
    void addPhoneRows(const QList<PhoneNote>& notes, qsizetype from, quint64 build);
    void dropPhoneRowsPast(qsizetype count);
    // Takes a row out of the section and deletes it once its events are done.
    void retirePhoneRow(PhoneNoteRow* row);
    // Wants more phone rows when the end of those made is near the view.
    void followScroll();
    PhoneNoteRow* makePhoneRow(const PhoneNote& note, const PhoneNoteRow::Target& target, const QDateTime& now,
                               bool paper);
    void addRecentRows(const QList<HistoryEntry>& entries, qsizetype from, quint64 build);
    // Starts the badge's wait when a count shows and none runs yet.
    void watchArrivals();
    void cancelArrivalWait();
    void endArrivalBadge();
    // Runs `work` between events once the page has painted for the first time.
    void afterFirstPaint(std::function<void()> work);
    void copy(const QString& text);
    void copyEntry(const HistoryEntry& entry, const QString& text);
    void eraseHistory();
    void send(const PhoneNote& note, const QString& text);
    bool paperTheme() const;

    DashboardServices m_services;
    QVBoxLayout* m_column;
    GreetingLine* m_greeting;
    HeroCard* m_hero;
    QWidget* m_phoneSection = nullptr;
    QWidget* m_recentSection = nullptr;
    QLabel* m_badge = nullptr;
    QPushButton* m_clearPhone = nullptr;
    QPushButton* m_clearHistory = nullptr;
    QHash<QUuid, RecentDictationRow*> m_rows;
    QPointer<QVBoxLayout> m_phoneRows;
    // The phone section's rows by note, and the layout items above them.
    QHash<QUuid, PhoneNoteRow*> m_phoneRowOf;
    int m_phoneRowsAt = 0;
    qsizetype m_phoneRowsWanted = kPhoneRowsPerScreen;
    bool m_phoneUpdateQueued = false;
    QPointer<QVBoxLayout> m_recentRows;
    // Bumped by every rebuild, so that the passes of an older list stop.
    quint64 m_phoneBuild = 0;
    quint64 m_recentBuild = 0;
    bool m_painted = false;
    QList<std::function<void()>> m_afterFirstPaint;

    std::optional<QUuid> m_copiedID;
    QSet<QUuid> m_showingSpoken;
    QSet<QUuid> m_asDictated;
    std::optional<QUuid> m_insertFailed;
    // Bumped by every new arrival count, so that an older wait does nothing.
    quint64 m_arrivalWait = 0;
    // Whether the current count's wait is running.
    bool m_arrivalWaiting = false;
};
