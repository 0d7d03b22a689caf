#include "translation/LanguageTable.h"

#include "platform/Platform.h"
#include "platform/SystemSpeech.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QtConcurrent>

#include <algorithm>

namespace LanguageTable {

namespace {

QString baseOf(const QString& code) {
    const QStringList pieces = code.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? code : pieces.first().toLower();
}

} // namespace

const QStringList& talkLanguages() {
    static const QStringList codes =
        QStringLiteral("bg hr cs da nl en et fi fr de el hu it lv lt mt pl pt ro ru sk sl es sv uk")
            .split(QLatin1Char(' '));
    return codes;
}

const QStringList& ownVoiceLanguages() {
    static const QStringList codes = QStringLiteral("en es fr it pt").split(QLatin1Char(' '));
    return codes;
}

QStringList allCodes() {
    QStringList codes = talkLanguages();
    for (const QString& code : TranslationCatalog::candidates())
        if (!codes.contains(code))
            codes.append(code);
    return codes;
}

QFuture<QSet<QString>> voiceLanguages() {
    // Each question waits for speech-dispatcher: the whole round runs on a worker.
    static const QFuture<QSet<QString>> asked = QtConcurrent::run([speech = Platform::current().systemSpeech] {
        QSet<QString> found;
        if (!speech)
            return found;
        for (const QString& code : allCodes()) {
            const QString base = baseOf(code);
            if (!found.contains(base) && !speech->voices(base).isEmpty())
                found.insert(base);
        }
        return found;
    });
    return asked;
}

bool canRead(const QString& code, const QSet<QString>& voices) {
    return ownVoiceLanguages().contains(code) || voices.contains(baseOf(code));
}

QList<Row> build(const QSet<QString>& voices, const QStringList& translatedInto) {
    QList<Row> rows;
    for (const QString& code : allCodes()) {
        rows.append({code, Translator::displayName(code), talkLanguages().contains(code), canRead(code, voices),
                     translatedInto.contains(code), ownVoiceLanguages().contains(code)});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.complete() != b.complete())
            return a.complete();
        return a.name < b.name;
    });
    return rows;
}

qsizetype completeCount(const QList<Row>& rows) {
    return std::count_if(rows.begin(), rows.end(), [](const Row& row) { return row.complete(); });
}

} // namespace LanguageTable
