#include "support/Text.h"

#include <QList>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <vector>

namespace {

QList<qsizetype> graphemeStarts(const QString& text) {
    QList<qsizetype> starts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toStart();
    qsizetype position = 0;
    while (position >= 0 && position < text.size()) {
        starts.append(position);
        position = finder.toNextBoundary();
    }
    return starts;
}

} // namespace

namespace Text {

qsizetype graphemeCount(const QString& text) { return graphemeStarts(text).size(); }

qsizetype utf16OffsetOfGrapheme(const QString& text, qsizetype index) {
    if (index <= 0)
        return 0;
    const QList<qsizetype> starts = graphemeStarts(text);
    return index < starts.size() ? starts[index] : text.size();
}

QString graphemeSlice(const QString& text, qsizetype start, qsizetype length) {
    if (length <= 0)
        return {};
    const QList<qsizetype> starts = graphemeStarts(text);
    start = qMax<qsizetype>(0, start);
    if (start >= starts.size())
        return {};
    const qsizetype from = starts[start];
    const qsizetype endIndex = start + length;
    const qsizetype to = endIndex < starts.size() ? starts[endIndex] : text.size();
    return text.mid(from, to - from);
}

QString graphemePrefix(const QString& text, qsizetype count) { return graphemeSlice(text, 0, count); }

QString graphemeSuffix(const QString& text, qsizetype count) {
    const qsizetype total = graphemeCount(text);
    return graphemeSlice(text, qMax<qsizetype>(0, total - count), count);
}

QStringList graphemes(const QString& text) {
    const QList<qsizetype> starts = graphemeStarts(text);
    QStringList pieces;
    pieces.reserve(starts.size());
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        pieces.append(text.mid(starts[i], end - starts[i]));
    }
    return pieces;
}

char32_t firstCodePoint(const QString& text) {
    if (text.isEmpty())
        return 0;
    if (text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate())
        return QChar::surrogateToUcs4(text[0], text[1]);
    return text[0].unicode();
}

QString uppercasedFirst(const QString& text) {
    const qsizetype split = utf16OffsetOfGrapheme(text, 1);
    return text.left(split).toUpper() + text.mid(split);
}

QString lowercasedFirst(const QString& text) {
    const qsizetype split = utf16OffsetOfGrapheme(text, 1);
    return text.left(split).toLower() + text.mid(split);
}

QString foldedCase(const QString& text) {
    icu::UnicodeString folded(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    return QString(reinterpret_cast<const QChar*>(folded.getBuffer()), folded.length());
}

std::optional<QString> decodeUtf8Strictly(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString trimmedOfBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

int wordEditDistance(const QStringList& expected, const QStringList& got) {
    std::vector<int> row(got.size() + 1);
    for (qsizetype column = 0; column <= got.size(); ++column)
        row[column] = int(column);
    for (qsizetype line = 1; line <= expected.size(); ++line) {
        std::vector<int> next(got.size() + 1);
        next[0] = int(line);
        for (qsizetype column = 1; column <= got.size(); ++column) {
            const int substitution = row[column - 1] + (expected[line - 1] == got[column - 1] ? 0 : 1);
            next[column] = std::min({substitution, row[column] + 1, next[column - 1] + 1});
        }
        row = std::move(next);
    }
    return row.back();
}

} // namespace Text
