#include "reader/ReadAloudStore.h"

#include "support/PrivateFiles.h"
#include "support/Regex.h"
#include "support/Text.h"

#include <QDir>
#include <QHash>
#include <QMutex>

#include <algorithm>

namespace {

// The whole-word pattern of a written word, compiled once per word. A word
// written with capitals ("US") matches only as written, so it leaves the
// ordinary word ("us") alone; one in lower case matches in any case.
Regex wordPattern(const QString& word) {
    static QMutex lock;
    static QHash<QString, Regex> cache;
    QMutexLocker locker(&lock);
    auto found = cache.constFind(word);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() > 2000)
        cache.clear();
    const Regex::Options options = word.toLower() == word ? Regex::CaseInsensitive : Regex::Options();
    const Regex pattern(
        QStringLiteral("(?<![\\p{L}\\p{N}])") + Regex::escape(word) + QStringLiteral("(?![\\p{L}\\p{N}])"), options);
    cache.insert(word, pattern);
    return pattern;
}

QString withoutSurroundingPunctuation(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].isPunct())
        ++start;
    while (end > start && text[end - 1].isPunct())
        --end;
    return text.mid(start, end - start);
}

} // namespace

ReadAloudStore::ReadAloudStore(const QString& folder, Clock now, QObject* parent)
    : QObject(parent), m_file(QDir(folder).filePath(QStringLiteral("read-aloud.json"))),
      m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); })) {
    PrivateFiles::makeFolder(folder);
    m_entries = m_file.readList<ReadAloudEntry>();
}

void ReadAloudStore::setEntries(const QList<ReadAloudEntry>& entries) {
    m_entries = entries;
    emit entriesChanged();
}

void ReadAloudStore::add(const QString& word, const QString& sayAs) {
    const QString written = word.trimmed();
    const QString spoken = sayAs.trimmed();
    if (written.isEmpty() || spoken.isEmpty())
        return;
    QList<ReadAloudEntry> entries = m_entries;
    entries.removeIf([&](const ReadAloudEntry& e) { return e.word.compare(written, Qt::CaseInsensitive) == 0; });
    entries.prepend({QUuid::createUuid(), written, spoken, m_now()});
    setEntries(entries);
    save();
}

void ReadAloudStore::remove(const ReadAloudEntry& entry) {
    QList<ReadAloudEntry> entries = m_entries;
    entries.removeIf([&](const ReadAloudEntry& e) { return e.id == entry.id; });
    setEntries(entries);
    save();
}

void ReadAloudStore::save() { m_file.writeList(m_entries); }

QString ReadAloudStore::apply(const QString& input, const QList<ReadAloudEntry>& entries) {
    if (entries.isEmpty())
        return input;
    QList<std::pair<qsizetype, const ReadAloudEntry*>> ordered;
    ordered.reserve(entries.size());
    for (const ReadAloudEntry& entry : entries)
        ordered.append({Text::graphemeCount(entry.word), &entry});
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    QString text = input;
    for (const auto& [length, entry] : ordered) {
        // An empty word (only a hand-edited file holds one) would match between
        // every two non-letters.
        if (length == 0)
            continue;
        const Regex pattern = wordPattern(entry->word);
        if (!pattern.isValid())
            continue;
        const QString spoken = entry->sayAs;
        text = pattern.replace(text, [&](const Regex::Match&) { return spoken; });
    }
    return text;
}

std::optional<QString> ReadAloudStore::writtenWord(const QString& spoken, const QList<ReadAloudEntry>& entries) {
    const QString bare = withoutSurroundingPunctuation(spoken);
    for (const ReadAloudEntry& entry : entries) {
        if (entry.sayAs.compare(bare, Qt::CaseInsensitive) == 0)
            return entry.word;
    }
    return std::nullopt;
}
