#include "learning/CorrectionWatch.h"

#include "audio/Recorder.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionSpotter.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "stores/DictionaryStore.h"
#include "support/Defaults.h"

#include <limits>

namespace {

const QString kEnabledKey = QStringLiteral("learnCorrections");

QString frontmostIdentifier() {
    Workspace* workspace = Platform::current().workspace;
    const auto front = workspace ? workspace->frontmostApplication() : std::nullopt;
    return front ? front->identifier : QString();
}

// The focused field's whole text in one read.
std::optional<QString> fieldText() {
    const AXText::Element element = AXText::focusedElement();
    if (!element)
        return std::nullopt;
    return element->text(0, std::numeric_limits<qint64>::max());
}

} // namespace

CorrectionWatch& CorrectionWatch::shared() {
    static CorrectionWatch* watch = new CorrectionWatch({Defaults::shared(), CorrectionLedger::shared(),
                                  [](const QString& word) { return DictionaryStore::shared().contains(word); },
                                  [](const QString& line) { Recorder::trace(line); }});
    return *watch;
}

CorrectionWatch::CorrectionWatch(Services services, QObject* parent) : QObject(parent), m_services(std::move(services)) {}

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
    const std::optional<QString> field = fieldText();
    if (field && range->location >= 0 && range->length >= 0 && range->location <= field->size() - range->length)
        surroundings = Written::Surroundings{field->left(range->location), field->mid(range->location + range->length)};
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
    const std::optional<QString> field = fieldText();
    if (!field || !written.surroundings) {
        m_services.trace(QStringLiteral("correction: %1 will not return a string for a range").arg(written.bundleID));
        return;
    }
    const QString& before = written.surroundings->before;
    const QString& after = written.surroundings->after;
    std::optional<QString> now;
    if (field->size() > before.size() + after.size() && field->startsWith(before) && field->endsWith(after))
        now = field->mid(before.size(), field->size() - before.size() - after.size());
    if (!now) {
        // The field changed outside the stretch. Where the insertion still
        // stands whole beside the untouched side, the edit was not in it;
        // anywhere else the stretch cannot be found again.
        const bool intact = field->startsWith(before + written.text) || field->endsWith(written.text + after);
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
