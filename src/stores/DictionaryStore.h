#pragma once

#include "stores/DictionaryEntry.h"
#include "support/StoreFile.h"

#include <QObject>

#include <functional>

class WordBoostSink;

// The user's personal dictionary: canonical spellings with the mishearings that
// should become them. Owns "dictionary.json". Edited on the main thread; the text
// passes on other threads read a lock-guarded snapshot through the static
// `correct`, `canonicals` and `isCapitalizedName`. After every change the snapshot
// is replaced and the recogniser's word boost is told.
class DictionaryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<DictionaryEntry> entries READ entries WRITE setEntries NOTIFY entriesChanged)
public:
    using Clock = std::function<QDateTime()>;

    // Where stores without their own sink send refreshes (the recogniser's word boost).
    static void installWordBoost(WordBoostSink* sink);

    // A store over "dictionary.json" in `folder`; loads it and refreshes. Without a
    // `boost` the installed one is used.
    explicit DictionaryStore(const QString& folder, WordBoostSink* boost = nullptr, Clock now = {},
                             QObject* parent = nullptr);

    QString url() const;
    const QList<DictionaryEntry>& entries() const { return m_entries; }
    // Publishes and refreshes without writing the file.
    void setEntries(const QList<DictionaryEntry>& entries);

    // Copies the entries into the snapshot and tells the word boost.
    void warmUp();
    // Adds a word, or merges new variants into the entry of the same canonical
    // (ignoring case); saves. A blank canonical changes nothing.
    void add(const QString& canonical, const QStringList& variants);
    // Removes every entry with `entry`'s id and saves.
    void remove(const DictionaryEntry& entry);
    bool contains(const QString& canonical) const;

    // Any thread: every whole-word occurrence of a canonical or variant, in any
    // capitalisation, rewritten to the canonical spelling.
    static QString correct(const QString& text);
    static QStringList canonicals();
    // Any thread: whether some canonical equals `word` ignoring case and starts
    // with a capital letter.
    static bool isCapitalizedName(const QString& word);

    // The entries other threads read. Replacing them changes what `correct` does
    // from the next call on; the store's own refresh replaces them again.
    static QList<DictionaryEntry> snapshot();
    static void setSnapshot(const QList<DictionaryEntry>& entries);

signals:
    void entriesChanged();

private:
    void refresh();
    void save();
    static QStringList cleanVariants(const QStringList& variants, const QString& canonical);

    StoreFile m_file;
    WordBoostSink* m_boost;
    Clock m_now;
    QList<DictionaryEntry> m_entries;
};
