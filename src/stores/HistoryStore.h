#pragma once

#include "stores/HistoryEntry.h"
#include "stores/KeptTake.h"
#include "support/StoreFile.h"

#include <QList>
#include <QObject>

#include <functional>

class Defaults;

// Past dictations, newest first, for the dashboard. Owns "history.json"; keeps at
// most 500 entries and drops those older than the "historyKeepDays" setting.
// Beside them it keeps the last take the speech engine failed on, until it is
// transcribed. Main thread only.
class HistoryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<HistoryEntry> entries READ entries WRITE setEntries NOTIFY entriesChanged)
public:
    using Clock = std::function<QDateTime()>;
    static constexpr qsizetype cap = 500;

    // A store over "history.json" in `folder`; loads it and prunes (writing only
    // when the prune removed something).
    HistoryStore(const QString& folder, Defaults& defaults, Clock now = {}, QObject* parent = nullptr);

    QString url() const { return m_file.path(); }
    const QList<HistoryEntry>& entries() const { return m_entries; }
    void setEntries(const QList<HistoryEntry>& entries);

    // The retention in days; 0 (keep everything) when absent, not an integer or below 1.
    qint64 keepDays() const;
    // Drops entries dated strictly before now − keepDays; answers whether any went.
    // Does not write the file.
    bool prune();
    // Removes every entry with `entry`'s id and writes the file.
    void remove(const HistoryEntry& entry);

    // Records a finished dictation: puts it first, keeps the newest 500, prunes
    // and writes the file.
    void record(const HistoryEntry& entry);
    // Writes the whole list atomically; answers whether the file now holds it.
    bool save();

    KeptTake& keptTake() { return m_keptTake; }
    const KeptTake& keptTake() const { return m_keptTake; }
    // Whether the newest thing dictated is the kept take: one is kept, later
    // than the newest entry.
    bool keptTakeIsNewest() const;

signals:
    void entriesChanged();

private:
    StoreFile m_file;
    Defaults& m_defaults;
    Clock m_now;
    QList<HistoryEntry> m_entries;
    KeptTake m_keptTake;
};
