// The checks on a language model's answer: repairs of what a model wraps around
// its answer, and the acceptance test that sends a bad answer to the next path.
#include "cleanup/CleanupEngine.h"

#include "cleanup/CleanupPatterns.h"
#include "support/Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

const QSet<QString>& numberWords() {
    static const QSet<QString> words = {
        "zero",    "one",       "two",      "three",    "four",    "five",     "six",      "seven",
        "eight",   "nine",      "ten",      "eleven",   "twelve",  "thirteen", "fourteen", "fifteen",
        "sixteen", "seventeen", "eighteen", "nineteen", "twenty",  "thirty",   "forty",    "fifty",
        "sixty",   "seventy",   "eighty",   "ninety",   "hundred", "thousand", "million",  "billion",
        "point",   "percent",   "dollar",   "dollars",  "half",    "quarter"};
    return words;
}

const QSet<QString>& questionWords() {
    static const QSet<QString> words = {"what",   "who",   "when", "where", "why",  "how",  "which",
                                        "whose",  "is",    "are",  "was",   "were", "can",  "could",
                                        "should", "would", "do",   "does",  "did",  "will", "am"};
    return words;
}

bool isLetterOrDigit(char32_t c) { return QChar::isLetter(c) || QChar::isDigit(c); }

// Lower-cased runs of letters and digits longer than two characters.
QSet<QString> contentWords(const QString& text) {
    QSet<QString> words;
    QString current;
    const auto take = [&] {
        if (current.size() > 2)
            words.insert(current);
        current.clear();
    };
    for (const char32_t c : text.toLower().toUcs4()) {
        if (isLetterOrDigit(c))
            current += QString::fromUcs4(&c, 1);
        else
            take();
    }
    take();
    return words;
}

QString firstLetterRun(const QString& text) {
    QString run;
    for (const char32_t c : text.toLower().toUcs4()) {
        if (QChar::isLetter(c))
            run += QString::fromUcs4(&c, 1);
        else if (!run.isEmpty())
            break;
    }
    return run;
}

const QStringList& payloadKeys() {
    static const QStringList keys = {"text", "content", "transcript", "transcription", "cleaned", "output"};
    return keys;
}

QStringList extract(const QJsonValue& value) {
    if (value.isString())
        return {value.toString()};
    if (value.isArray()) {
        QStringList texts;
        for (const QJsonValue& element : value.toArray())
            texts += extract(element);
        return texts;
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (const QString& key : payloadKeys())
            if (object.contains(key))
                return extract(object.value(key));
        if (object.contains(QStringLiteral("arguments")))
            return extract(object.value(QStringLiteral("arguments")));
    }
    return {};
}

// Removes the first match of `pattern`, joining what precedes and what follows.
QString removeFirst(const QString& text, const Regex& pattern) {
    const auto match = pattern.firstMatch(text);
    return match ? text.left(match->start()) + text.mid(match->end()) : text;
}

} // namespace

bool CleanupEngine::preservesOriginal(const QString& original, const QString& result) {
    const QString o = original.trimmed();
    const QString r = result.trimmed();

    const qsizetype limit = Text::graphemeCount(o) * 3 / 2;
    if (Text::graphemeCount(r) > std::max<qsizetype>(limit, 40))
        return false;

    if ((o.endsWith(QLatin1Char('?')) || questionWords().contains(firstLetterRun(o))) && !r.contains(QLatin1Char('?')))
        return false;

    const QSet<QString> spoken = contentWords(o) - numberWords();
    const QSet<QString> written = contentWords(r);
    if (spoken.size() >= 3) {
        const qsizetype kept = (written & spoken).size();
        return kept * 2 >= spoken.size();
    }
    return (written - numberWords() - spoken).size() < 3;
}

bool CleanupEngine::looksStructured(const QString& text) {
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("[{")))
        return true;
    if (t.startsWith(QLatin1Char('{')) || t.startsWith(QLatin1Char('['))) {
        if (t.size() > 1 && t[1] == QLatin1Char('"'))
            return true;
        return CleanupPatterns::structuredData().matches(t);
    }
    return CleanupPatterns::structuredProse().matches(t);
}

QString CleanupEngine::stripInventedPlaceholders(const QString& original, const QString& cleaned) {
    if (!cleaned.contains(QLatin1Char('[')) && !cleaned.contains(QLatin1Char('(')))
        return cleaned;
    static const QList<Regex> placeholders = {
        Regex(QStringLiteral("\\s*\\[[^\\]]{0,120}\\]"), Regex::CaseInsensitive),
        Regex(QStringLiteral("\\s*\\((?:insert|add|your|specific|describe|e\\.g\\.)[^)]{0,120}\\)"),
              Regex::CaseInsensitive),
    };
    QString text = cleaned;
    for (const Regex& placeholder : placeholders) {
        while (const auto match = placeholder.firstMatch(text)) {
            if (original.contains(match->captured().trimmed(), Qt::CaseInsensitive))
                break; // dictated by the speaker: this one and the later ones stay
            text.remove(match->start(), match->length());
        }
    }
    static const Regex whitespaceRuns(QStringLiteral("\\s{2,}"));
    static const Regex spaceBeforeMark(QStringLiteral("\\s+([,.!?;:])"));
    text = spaceBeforeMark.replace(whitespaceRuns.replace(text, QStringLiteral(" ")), QStringLiteral("$1")).trimmed();
    return text.isEmpty() ? cleaned : text;
}

QString CleanupEngine::stripModelArtifacts(const QString& input) {
    QString text = input;

    const qsizetype open = text.indexOf(QLatin1String("<out>"), 0, Qt::CaseInsensitive);
    if (open >= 0) {
        QString inside = text.mid(open + 5);
        const qsizetype close = inside.indexOf(QLatin1String("</out>"), 0, Qt::CaseInsensitive);
        if (close >= 0)
            inside.truncate(close);
        inside = inside.trimmed();
        if (Text::graphemeCount(inside) >= 2)
            text = inside;
    }

    for (const QLatin1String marker :
         {QLatin1String("<|im_end|>"), QLatin1String("<|endoftext|>"), QLatin1String("<|eot_id|>")}) {
        const qsizetype at = text.indexOf(marker);
        if (at >= 0)
            text.truncate(at);
    }

    text = removeFirst(text, CleanupPatterns::thinkingBlock());

    if (const auto marker = CleanupPatterns::assistantMarker().firstMatch(text)) {
        const QString after = text.mid(marker->end()).trimmed();
        text = Text::graphemeCount(after) >= 2 ? after : text.left(marker->start());
    }

    text = CleanupPatterns::codeFences().replace(text, QString());
    text = CleanupPatterns::sequenceTokens().replace(text, QString());
    text = CleanupPatterns::modelRemarks().replace(text, QString());

    text = text.trimmed();
    return unwrapJSONPayload(text).value_or(text);
}

std::optional<QString> CleanupEngine::unwrapJSONPayload(const QString& input) {
    const QString text = input.trimmed();
    if (!text.startsWith(QLatin1Char('[')) && !text.startsWith(QLatin1Char('{')))
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    const QJsonValue root = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    QStringList texts;
    for (const QString& piece : extract(root)) {
        const QString trimmed = piece.trimmed();
        if (!trimmed.isEmpty())
            texts << trimmed;
    }
    if (texts.isEmpty())
        return std::nullopt;
    return texts.join(QLatin1Char(' ')).trimmed();
}

const QList<Regex>& CleanupEngine::labelPatterns() { return CleanupPatterns::labels(); }

QString CleanupEngine::stripLeadingLabel(const QString& text) {
    for (const Regex& label : labelPatterns()) {
        const auto match = label.firstMatch(text);
        if (!match || match->start() != 0)
            continue;
        const QString rest = text.mid(match->end());
        return Text::graphemeCount(rest) >= 2 ? rest : text;
    }
    return text;
}

std::optional<QString> CleanupEngine::acceptedModelText(const QString& original, const QString& candidate) {
    const QString text = stripInventedPlaceholders(original, candidate);
    if (text.isEmpty() || looksStructured(text) || !preservesOriginal(original, text))
        return std::nullopt;
    return text;
}
