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
    const std::optional<QString> field = fieldText();
    m_last = Written{text, *range, identifier, field ? std::optional<qint64>(field->size()) : std::nullopt};
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
    std::optional<QString> now;
    if (const std::optional<QString> field = fieldText()) {
        const qint64 shift = written.fieldLength ? field->size() - *written.fieldLength : 0;
        const AXText::Range range{written.range.location, written.range.length + shift};
        if (range.location >= 0 && range.length >= 1 && range.location + range.length <= field->size())
            now = field->mid(range.location, range.length);
    }
    if (!now) {
        m_services.trace(QStringLiteral("correction: %1 will not return a string for a range").arg(written.bundleID));
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
