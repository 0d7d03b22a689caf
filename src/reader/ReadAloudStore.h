#pragma once

#include "reader/ReadAloudEntry.h"
#include "support/StoreFile.h"

#include <QList>
#include <QObject>

#include <functional>

// The user's pronunciation list for reading aloud, newest first, one entry per
// written word (ignoring case). Owns "read-aloud.json". Main thread only.
class ReadAloudStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<ReadAloudEntry> entries READ entries WRITE setEntries NOTIFY entriesChanged)
public:
    using Clock = std::function<QDateTime()>;

    // A store over "read-aloud.json" in `folder`; loads it and never writes at load.
    explicit ReadAloudStore(const QString& folder, Clock now = {}, QObject* parent = nullptr);

    QString url() const { return m_file.path(); }
    const QList<ReadAloudEntry>& entries() const { return m_entries; }
    void setEntries(const QList<ReadAloudEntry>& entries);

    // Puts a new entry first, replacing any entry for the same word (ignoring
    // case), and saves. Blank texts change nothing.
    void add(const QString& word, const QString& sayAs);
    // Removes every entry with `entry`'s id and saves.
    void remove(const ReadAloudEntry& entry);
    void save();

    // `text` with each listed word, standing on its own, replaced by its spoken
    // form; longer words first, each entry working on the previous one's result.
    static QString apply(const QString& text, const QList<ReadAloudEntry>& entries);
    // The written word for a spoken word: the first entry whose spoken form equals
    // `spoken` without its surrounding punctuation, ignoring case.
    static std::optional<QString> writtenWord(const QString& spoken, const QList<ReadAloudEntry>& entries);

signals:
    void entriesChanged();

private:
    StoreFile m_file;
    Clock m_now;
    QList<ReadAloudEntry> m_entries;
};
