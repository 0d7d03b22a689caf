#include "stores/DictionaryStore.h"

#include "stores/WordBoostSink.h"
#include "support/PrivateFiles.h"
#include "support/Regex.h"
#include "support/Text.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <memory>

namespace {

// One canonical or variant, ready to match: the whole-word pattern and the
// case-folded term that a text must contain for the pattern to have a chance.
struct CompiledTerm {
    Regex pattern;
    QString folded;
};

struct CompiledEntry {
    QString canonical;
    QList<CompiledTerm> terms;
};

// What the readers on other threads see: the entries and their patterns, built
// once per change on the main thread.
struct Snapshot {
    QList<DictionaryEntry> entries;
    QList<CompiledEntry> compiled;
};

QMutex& snapshotLock() {
    static QMutex lock;
    return lock;
}

std::shared_ptr<const Snapshot>& currentSnapshot() {
    static std::shared_ptr<const Snapshot> snapshot = std::make_shared<Snapshot>();
    return snapshot;
}

std::shared_ptr<const Snapshot> takeSnapshot() {
    QMutexLocker locker(&snapshotLock());
    return currentSnapshot();
}

std::shared_ptr<const Snapshot> compile(const QList<DictionaryEntry>& entries) {
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->entries = entries;
    for (const DictionaryEntry& entry : entries) {
        CompiledEntry compiled{entry.canonical, {}};
        QStringList terms{entry.canonical};
        terms += entry.variants;
        for (const QString& term : terms) {
            // An empty term (only a hand-edited file holds one) would match at
            // every word boundary and scatter the canonical through the text.
            if (term.isEmpty())
                continue;
            const QString pattern = QStringLiteral("\\b") + Regex::escape(term) + QStringLiteral("\\b");
            compiled.terms.append({Regex(pattern, Regex::CaseInsensitive), Text::foldedCase(term)});
        }
        snapshot->compiled.append(std::move(compiled));
    }
    return snapshot;
}

std::atomic<WordBoostSink*> installedBoost{nullptr};

bool isUppercaseLetter(char32_t c) { return QChar::isUpper(c); }
bool isLowercaseLetter(char32_t c) { return QChar::isLower(c); }

// The spelling that replaces one match of a term of `canonical`.
QString replacementFor(const QString& matched, const QString& canonical) {
    if (Text::graphemeCount(canonical) >= 2 && canonical == canonical.toUpper())
        return canonical;
    if (matched.isEmpty())
        return canonical;
    if (isUppercaseLetter(Text::firstCodePoint(matched)) && !canonical.isEmpty()
        && isLowercaseLetter(Text::firstCodePoint(canonical)))
        return Text::uppercasedFirst(canonical);
    return canonical;
}

} // namespace

void DictionaryStore::installWordBoost(WordBoostSink* sink) { installedBoost = sink; }

DictionaryStore::DictionaryStore(const QString& folder, WordBoostSink* boost, Clock now, QObject* parent)
    : QObject(parent), m_file(QDir(folder).filePath(QStringLiteral("dictionary.json"))), m_boost(boost),
      m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); })) {
    PrivateFiles::makeFolder(folder);
    m_entries = m_file.readList<DictionaryEntry>();
    refresh();
}

QString DictionaryStore::url() const { return m_file.path(); }

void DictionaryStore::setEntries(const QList<DictionaryEntry>& entries) {
    m_entries = entries;
    emit entriesChanged();
    refresh();
}

void DictionaryStore::warmUp() { refresh(); }

void DictionaryStore::refresh() {
    setSnapshot(m_entries);
    if (WordBoostSink* sink = m_boost ? m_boost : installedBoost.load())
        sink->push(false);
}

QStringList DictionaryStore::cleanVariants(const QStringList& variants, const QString& canonical) {
    QStringList kept;
    QStringList keptLower;
    for (const QString& raw : variants) {
        const QString variant = raw.trimmed();
        if (variant.isEmpty() || variant.compare(canonical, Qt::CaseInsensitive) == 0)
            continue;
        const QString lower = variant.toLower();
        if (keptLower.contains(lower))
            continue;
        kept.append(variant);
        keptLower.append(lower);
    }
    return kept;
}

void DictionaryStore::add(const QString& canonical, const QStringList& variants) {
    const QString trimmed = canonical.trimmed();
    if (trimmed.isEmpty())
        return;
    const QStringList cleaned = cleanVariants(variants, trimmed);
    QList<DictionaryEntry> entries = m_entries;
    auto existing = std::find_if(entries.begin(), entries.end(), [&](const DictionaryEntry& entry) {
        return entry.canonical.compare(trimmed, Qt::CaseInsensitive) == 0;
    });
    if (existing != entries.end()) {
        for (const QString& variant : cleaned) {
            if (!existing->variants.contains(variant, Qt::CaseInsensitive))
                existing->variants.append(variant);
        }
    } else {
        entries.append({QUuid::createUuid(), trimmed, cleaned, m_now()});
    }
    setEntries(entries);
    save();
}

void DictionaryStore::remove(const DictionaryEntry& entry) {
    QList<DictionaryEntry> entries = m_entries;
    entries.removeIf([&](const DictionaryEntry& e) { return e.id == entry.id; });
    setEntries(entries);
    save();
}

bool DictionaryStore::contains(const QString& canonical) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const DictionaryEntry& entry) {
        return entry.canonical.compare(canonical, Qt::CaseInsensitive) == 0;
    });
}

void DictionaryStore::save() { m_file.writeList(m_entries); }

QString DictionaryStore::correct(const QString& input) {
    const std::shared_ptr<const Snapshot> snapshot = takeSnapshot();
    if (snapshot->compiled.isEmpty() || input.isEmpty())
        return input;
    QString text = input;
    QString folded = Text::foldedCase(text);
    for (const CompiledEntry& entry : snapshot->compiled) {
        for (const CompiledTerm& term : entry.terms) {
            // A whole-word match without regard to case needs the folded term in the folded text.
            if (!folded.contains(term.folded))
                continue;
            const QString replaced = term.pattern.replace(
                text, [&](const Regex::Match& match) { return replacementFor(match.captured(), entry.canonical); });
            if (replaced != text) {
                text = replaced;
                folded = Text::foldedCase(text);
            }
        }
    }
    return text;
}

QStringList DictionaryStore::canonicals() {
    const std::shared_ptr<const Snapshot> snapshot = takeSnapshot();
    QStringList words;
    words.reserve(snapshot->entries.size());
    for (const DictionaryEntry& entry : snapshot->entries)
        words.append(entry.canonical);
    return words;
}

bool DictionaryStore::isCapitalizedName(const QString& word) {
    if (word.isEmpty())
        return false;
    const std::shared_ptr<const Snapshot> snapshot = takeSnapshot();
    return std::any_of(snapshot->entries.begin(), snapshot->entries.end(), [&](const DictionaryEntry& entry) {
        return entry.canonical.compare(word, Qt::CaseInsensitive) == 0
               && isUppercaseLetter(Text::firstCodePoint(entry.canonical));
    });
}

QList<DictionaryEntry> DictionaryStore::snapshot() { return takeSnapshot()->entries; }

void DictionaryStore::setSnapshot(const QList<DictionaryEntry>& entries) {
    std::shared_ptr<const Snapshot> compiled = compile(entries);
    QMutexLocker locker(&snapshotLock());
    currentSnapshot().swap(compiled);
}
