#include "stores/StatsStore.h"

#include "support/JsonWriter.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QtNumeric>

#include <cmath>
#include <limits>

QByteArray StatsStore::Totals::json() const {
    JsonWriter json;
    json.beginObject();
    json.field(QStringLiteral("words"), words);
    json.field(QStringLiteral("dictations"), dictations);
    json.field(QStringLiteral("speakingSeconds"), speakingSeconds);
    json.endObject();
    return json.data();
}

std::optional<StatsStore::Totals> StatsStore::Totals::fromJson(const QJsonObject& object) {
    const auto words = StoreJson::integer(object, QStringLiteral("words"));
    const auto dictations = StoreJson::integer(object, QStringLiteral("dictations"));
    const auto seconds = StoreJson::number(object, QStringLiteral("speakingSeconds"));
    if (!words || !dictations || !seconds)
        return std::nullopt;
    return Totals{*words, *dictations, *seconds};
}

StatsStore::StatsStore(const QString& folder, QObject* parent)
    : QObject(parent), m_file(QDir(folder).filePath(QStringLiteral("stats.json"))) {
    PrivateFiles::makeFolder(folder);
    if (const std::optional<QJsonDocument> document = m_file.readJson()) {
        const std::optional<Totals> totals = document->isObject() ? Totals::fromJson(document->object()) : std::nullopt;
        if (totals)
            m_totals = *totals;
        else
            m_file.markUndecodable();
    }
}

void StatsStore::setTotals(const Totals& totals) {
    m_totals = totals;
    emit totalsChanged();
}

double StatsStore::timeSavedSeconds() const {
    return std::max(0.0, double(m_totals.words) / 40.0 * 60.0 - m_totals.speakingSeconds);
}

qint64 StatsStore::speakingWPM() const {
    if (!(m_totals.speakingSeconds > 0))
        return 0;
    const double rate = double(m_totals.words) / (m_totals.speakingSeconds / 60.0);
    // Out of range for a 64-bit integer (a tiny but positive time): no sound rate.
    if (!std::isfinite(rate) || std::fabs(rate) >= 9.2e18)
        return 0;
    return qint64(std::llround(rate));
}

qint64 StatsStore::wordCount(const QString& text) {
    qint64 words = 0;
    bool inWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const bool space = QChar::isSpace(c);
        if (!space && !inWord)
            ++words;
        inWord = !space;
    }
    return words;
}

void StatsStore::count(const QString& finalText, qint64 samples) {
    const qint64 words = wordCount(finalText);
    if (words == 0)
        return;
    Totals totals = m_totals;
    // A hand-edited file could hold totals at the edge of the range: saturate.
    if (qAddOverflow(totals.words, words, &totals.words))
        totals.words = std::numeric_limits<qint64>::max();
    if (qAddOverflow(totals.dictations, qint64(1), &totals.dictations))
        totals.dictations = std::numeric_limits<qint64>::max();
    totals.speakingSeconds += double(samples) / sampleRate;
    setTotals(totals);
    save();
}

void StatsStore::save() { m_file.write(m_totals.json()); }
