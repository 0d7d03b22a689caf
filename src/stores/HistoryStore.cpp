#include "stores/HistoryStore.h"

#include "support/Defaults.h"
#include "support/PrivateFiles.h"

#include <QDir>

namespace {

// Far beyond any history; keeps the cut-off arithmetic within range.
constexpr qint64 longestKeepDays = 10'000'000;

} // namespace

HistoryStore::HistoryStore(const QString& folder, Defaults& defaults, Clock now, QObject* parent)
    : QObject(parent), m_file(QDir(folder).filePath(QStringLiteral("history.json"))), m_defaults(defaults),
      m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); })), m_keptTake(folder) {
    PrivateFiles::makeFolder(folder);
    m_entries = m_file.readList<HistoryEntry>();
    if (prune())
        save();
}

void HistoryStore::setEntries(const QList<HistoryEntry>& entries) {
    m_entries = entries;
    emit entriesChanged();
}

qint64 HistoryStore::keepDays() const {
    const qint64 days = m_defaults.integer(QStringLiteral("historyKeepDays")).value_or(0);
    return days < 1 ? 0 : days;
}

bool HistoryStore::prune() {
    const qint64 days = keepDays();
    if (days < 1)
        return false;
    const QDateTime cutOff = m_now().addSecs(-qMin(days, longestKeepDays) * 86400);
    QList<HistoryEntry> kept = m_entries;
    kept.removeIf([&](const HistoryEntry& entry) { return entry.date < cutOff; });
    if (kept.size() == m_entries.size())
        return false;
    setEntries(kept);
    return true;
}

void HistoryStore::remove(const HistoryEntry& entry) {
    QList<HistoryEntry> kept = m_entries;
    kept.removeIf([&](const HistoryEntry& e) { return e.id == entry.id; });
    setEntries(kept);
    save();
}

void HistoryStore::record(const HistoryEntry& entry) {
    QList<HistoryEntry> entries = m_entries;
    entries.prepend(entry);
    if (entries.size() > cap)
        entries.resize(cap);
    setEntries(entries);
    prune();
    save();
}

bool HistoryStore::save() { return m_file.writeList(m_entries); }

bool HistoryStore::keptTakeIsNewest() const {
    const std::optional<QDateTime> kept = m_keptTake.keptAt();
    return kept && (m_entries.isEmpty() || *kept > m_entries.first().date);
}
