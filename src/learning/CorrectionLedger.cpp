#include "learning/CorrectionLedger.h"

#include "support/Defaults.h"

#include <QVariantMap>

#include <cmath>

namespace {

constexpr qint64 kAskNearAt = 1;
constexpr qint64 kAskOtherAt = 2;

std::optional<qint64> integral(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return value.toLongLong();
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (!std::isfinite(number) || number != std::trunc(number) || std::abs(number) > 9.0e15)
            return std::nullopt;
        return qint64(number);
    }
    default:
        return std::nullopt;
    }
}

// The counts, or none at all when any stored value is not an integer.
QHash<QString, qint64> seenCounts(const Defaults& defaults) {
    QHash<QString, qint64> counts;
    const QVariantMap stored = defaults.map(CorrectionLedger::kSeenKey);
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        const auto count = integral(it.value());
        if (!count)
            return {};
        counts.insert(it.key(), *count);
    }
    return counts;
}

} // namespace

CorrectionLedger::CorrectionLedger(Defaults& defaults) : m_defaults(defaults) {}

QString CorrectionLedger::pairKey(const CorrectionCandidate& candidate) {
    return candidate.heard + QChar(0x1F) + candidate.meant;
}

bool CorrectionLedger::record(const CorrectionCandidate& candidate) {
    const QString key = pairKey(candidate);
    QStringList settled = m_defaults.stringList(kDoneKey).value_or(QStringList());
    if (settled.contains(key))
        return false;
    QHash<QString, qint64> counts = seenCounts(m_defaults);
    const qint64 count = counts.value(key, 0) + 1;
    counts.insert(key, count);
    QVariantMap stored;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        stored.insert(it.key(), it.value());
    m_defaults.set(kSeenKey, stored);
    if (count < (candidate.near ? kAskNearAt : kAskOtherAt))
        return false;
    settled.append(key);
    m_defaults.set(kDoneKey, settled);
    return true;
}

void CorrectionLedger::decline(const CorrectionCandidate& candidate) {
    const QString key = pairKey(candidate);
    QStringList settled = m_defaults.stringList(kDoneKey).value_or(QStringList());
    if (!settled.contains(key))
        settled.append(key);
    m_defaults.set(kDoneKey, settled);
}
