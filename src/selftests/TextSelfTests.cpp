#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "cleanup/TextCleanup.h"
#include "engine/RecognizerBias.h"
#include "platform/LanguageDetector.h"
#include "platform/Platform.h"
#include "stores/DictionaryStore.h"

#include <QDateTime>
#include <QStringList>
#include <QUuid>

#include <algorithm>

namespace SelfTests {
namespace {

const QString kSpanish = QStringLiteral("es");
const QStringList kSpanishPhrases = {
    QStringLiteral("Hola, ¿cómo estás?"),
    QStringLiteral("Te quiero mucho."),
    QStringLiteral("Nos vemos mañana en la oficina."),
    QStringLiteral("Gracias por tu ayuda."),
};
const QStringList kEnglishPhrases = {
    QStringLiteral("Read me this document please."),
    QStringLiteral("The meeting is at noon tomorrow."),
};

// A made-up name, the same with one vowel changed, and split in two.
const QString kName = QStringLiteral("Velmirak");
const QString kNameOneVowelOff = QStringLiteral("Velmirok");
const QString kNameSplit = QStringLiteral("Vel mirak");
const QString kProduct = QStringLiteral("Quorvane");
const QString kProductSplit = QStringLiteral("quor vane");

QString verdict(const QStringList& lines) {
    const bool all = std::all_of(lines.cbegin(), lines.cend(),
                                 [](const QString& line) { return line.startsWith(QLatin1String("PASS")); });
    return QStringLiteral("verdict=") + (all ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
}

QString passOrFail(bool pass) { return pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"); }

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// The recogniser's own answer, without the word-count and certainty rules a
// translation applies.
bool countsAsSpanish(const QString& text) {
    const QString trimmed = text.trimmed();
    LanguageDetector* detector = Platform::current().languageDetector;
    return !trimmed.isEmpty() && detector && detector->guess(trimmed, 1).dominant == kSpanish;
}

DictionaryEntry entry(const QString& canonical, const QStringList& variants) {
    return DictionaryEntry{QUuid::createUuid(), canonical, variants, QDateTime::currentDateTimeUtc()};
}

} // namespace

void checkSpanishDetection(const QString& path) {
    QStringList lines;
    const auto check = [&lines](const QString& phrase, bool spanish) {
        const bool detected = countsAsSpanish(phrase);
        lines << passOrFail(detected == spanish) + QStringLiteral("  spanish=") + SelfTestText::boolean(detected)
                     + QStringLiteral("  ") + quoted(phrase);
    };
    for (const QString& phrase : kSpanishPhrases)
        check(phrase, true);
    for (const QString& phrase : kEnglishPhrases)
        check(phrase, false);
    lines.prepend(verdict(lines));
    SelfTestText::write(path, lines.join(QLatin1Char('\n')));
}

void checkDictionaryCorrections(const QString& path, const DictionaryStore& dictionary, RecognizerBias& bias) {
    // The user's own dictionary steps aside while the test words are in use.
    DictionaryStore::setSnapshot({entry(kName, {kNameOneVowelOff, kNameSplit}), entry(kProduct, {kProductSplit})});
    bias.push(false);

    const QList<std::pair<QString, QString>> sentences = {
        {QStringLiteral("I love ") + kNameOneVowelOff + QStringLiteral(" tea"),
         QStringLiteral("I love ") + kName + QStringLiteral(" tea")},
        {QStringLiteral("call ") + kNameSplit.toLower() + QStringLiteral(" today"),
         QStringLiteral("Call ") + kName + QStringLiteral(" today")},
        {QStringLiteral("open quor vane now"), QStringLiteral("Open Quorvane now")},
        {QStringLiteral("no known words here"), QStringLiteral("No known words here")},
    };
    QStringList lines;
    for (const auto& [input, wanted] : sentences) {
        const QString output = TextCleanup::postProcess(input);
        lines << passOrFail(output == wanted) + QStringLiteral("  in=") + quoted(input) + QStringLiteral("  out=")
                     + quoted(output) + QStringLiteral("  want=") + quoted(wanted);
    }
    lines.prepend(verdict(lines));

    DictionaryStore::setSnapshot(dictionary.entries());
    bias.push(false);
    SelfTestText::write(path, lines.join(QLatin1Char('\n')));
}

} // namespace SelfTests
