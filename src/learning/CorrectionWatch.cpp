#include "learning/CorrectionWatch.h"

#include "learning/CorrectionLedger.h"
#include "learning/CorrectionSpotter.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "support/Defaults.h"

#include <QtNumeric>

#include <algorithm>
#include <limits>

namespace {

const QString kEnabledKey = QStringLiteral("learnCorrections");

QString frontmostIdentifier() {
    Workspace* workspace = Platform::current().workspace;
    const auto front = workspace ? workspace->frontmostApplication() : std::nullopt;
    return front ? front->identifier : QString();
}

// The focused field's text from `start` to `end` (cut short where it ends) in one read.
std::optional<QString> fieldText(qint64 start, qint64 end) {
    const AXText::Element element = AXText::focusedElement();
    if (!element)
        return std::nullopt;
    return element->text(start, end);
}

// `a` + `b`, or the largest offset when that would overflow.
qint64 plus(qint64 a, qint64 b) {
    qint64 sum = 0;
    return qAddOverflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

} // namespace

CorrectionWatch::CorrectionWatch(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {}

bool CorrectionWatch::isEnabled() const { return m_services.defaults.boolOr(kEnabledKey, false); }

std::optional<CorrectionCandidate> CorrectionWatch::takePending() {
    std::optional<CorrectionCandidate> candidate = std::exchange(m_pending, std::nullopt);
    if (candidate)
        emit pendingChanged();
    return candidate;
}

void CorrectionWatch::noteInsertion(const QString& text, std::optional<AXText::Range> range) {
    m_last.reset();
    const QString identifier = frontmostIdentifier();
    if (!isEnabled() || text.isEmpty() || !range || identifier.isEmpty())
        return;
    std::optional<Written::Surroundings> surroundings;
    if (range->location >= 0 && range->length >= 0) {
        const qint64 start = std::max<qint64>(0, range->location - kContext);
        const qint64 end = plus(plus(range->location, range->length), kContext);
        const std::optional<QString> window = fieldText(start, end);
        const qint64 inside = range->location - start;
        if (window && range->length <= window->size() - inside)
            surroundings = Written::Surroundings{window->left(inside), window->mid(inside + range->length), start,
                                                 window->size() < end - start};
    }
    m_last = Written{text, *range, identifier, std::move(surroundings)};
}

void CorrectionWatch::checkForCorrection() {
    if (!isEnabled())
        return;
    if (!m_last) {
        m_services.trace(QStringLiteral("correction: nothing written to compare"));
        return;
    }
    const Written written = *std::exchange(m_last, std::nullopt);
    QString current = frontmostIdentifier();
    if (current.isEmpty())
        current = QStringLiteral("?");
    if (current != written.bundleID) {
        m_services.trace(QStringLiteral("correction: app changed %1 -> %2").arg(written.bundleID, current));
        return;
    }
    // The same stretch of the field, with room for the insertion to have grown.
    std::optional<QString> field;
    qint64 wanted = 0;
    if (written.surroundings) {
        const Written::Surroundings& kept = *written.surroundings;
        wanted = plus(qint64(kept.before.size() + kept.after.size()), plus(2 * qint64(written.text.size()), kContext));
        field = fieldText(kept.start, plus(kept.start, wanted));
    }
    if (!field) {
        m_services.trace(QStringLiteral("correction: %1 will not return a string for a range").arg(written.bundleID));
        return;
    }
    const QString& before = written.surroundings->before;
    const QString& after = written.surroundings->after;
    const bool toEnd = written.surroundings->afterToEnd;
    const bool fieldEnded = field->size() < wanted;
    // Where the text that stood after the insertion stands now, or -1.
    qsizetype afterAt = -1;
    if (!toEnd)
        afterAt = field->indexOf(after, before.size() + 1);
    else if (fieldEnded && field->endsWith(after))
        afterAt = field->size() - after.size();
    std::optional<QString> now;
    if (afterAt > before.size() && field->startsWith(before))
        now = field->mid(before.size(), afterAt - before.size());
    if (!now) {
        // The field changed outside the stretch. Where the insertion still
        // stands whole beside the untouched side, the edit was not in it;
        // anywhere else the stretch cannot be found again.
        const bool intact =
            field->startsWith(before + written.text)
            || (toEnd ? fieldEnded && field->endsWith(written.text + after) : field->contains(written.text + after));
        m_services.trace(intact ? QStringLiteral("correction: unchanged")
                                : QStringLiteral("correction: insertion not found"));
        return;
    }
    if (*now == written.text) {
        m_services.trace(QStringLiteral("correction: unchanged"));
        return;
    }
    const std::optional<CorrectionCandidate> candidate = CorrectionSpotter::candidate(written.text, *now);
    if (!candidate) {
        m_services.trace(QStringLiteral("correction: change was not a single run"));
        return;
    }
    if (m_services.isKnown(candidate->meant)) {
        m_services.trace(QStringLiteral("correction: %1 already known").arg(candidate->meant));
        return;
    }
    const bool ask = m_services.ledger.record(*candidate);
    const auto flag = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    m_services.trace(QStringLiteral("correction: %1 -> %2 near=%3 ask=%4")
                         .arg(candidate->heard, candidate->meant, flag(candidate->near), flag(ask)));
    if (ask) {
        m_pending = candidate;
        emit pendingChanged();
    }
}
