#include "reader/ReaderChunks.h"

#include <QList>
#include <QTextBoundaryFinder>

namespace ReaderChunks {

namespace {

using Graphemes = QList<QStringView>;

Graphemes graphemesOf(const QString& text) {
    Graphemes out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        out.append(QStringView(text).mid(start, end - start));
        start = end;
    }
    return out;
}

bool isSpace(QStringView grapheme) { return !grapheme.isEmpty() && grapheme.front().isSpace(); }
bool isLineBreak(QStringView grapheme) { return grapheme.contains(u'\n') || grapheme.contains(u'\r'); }

bool isSentenceEnd(const Graphemes& all, qsizetype index) {
    const QStringView mark = all[index];
    if (mark != u"." && mark != u"!" && mark != u"?")
        return false;
    if (index + 1 >= all.size() || !isSpace(all[index + 1]))
        return false;
    qsizetype next = index + 1;
    while (next < all.size() && isSpace(all[next]))
        ++next;
    if (next >= all.size())
        return true;
    const QChar first = all[next].front();
    return !first.isNumber() && !first.isLower();
}

struct Sentence {
    QString text;
    int length = 0;
};

// Cuts one over-long sentence at white space; a run without any is cut hard.
QList<Sentence> cutLongSentence(const Graphemes& graphemes) {
    QList<Sentence> pieces;
    qsizetype start = 0;
    while (start < graphemes.size()) {
        qsizetype end = std::min<qsizetype>(start + kSentenceLimit, graphemes.size());
        if (end < graphemes.size()) {
            qsizetype cut = end;
            while (cut > start && !isSpace(graphemes[cut]))
                --cut;
            if (cut > start)
                end = cut;
        }
        Sentence piece;
        for (qsizetype i = start; i < end; ++i)
            piece.text += graphemes[i];
        piece.length = int(end - start);
        pieces.append(piece);
        start = end;
    }
    return pieces;
}

QList<Sentence> sentencesOf(const Graphemes& all) {
    QList<Sentence> sentences;
    Graphemes current;
    const auto finish = [&] {
        if (current.isEmpty())
            return;
        if (current.size() > kSentenceLimit) {
            sentences.append(cutLongSentence(current));
        } else {
            Sentence sentence;
            for (QStringView grapheme : current)
                sentence.text += grapheme;
            sentence.length = int(current.size());
            sentences.append(sentence);
        }
        current.clear();
    };
    for (qsizetype i = 0; i < all.size(); ++i) {
        current.append(all[i]);
        if (isLineBreak(all[i]) || isSentenceEnd(all, i))
            finish();
    }
    finish();
    return sentences;
}

} // namespace

QStringList splitForReader(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    QStringList chunks;
    QString buffer;
    int bufferLength = 0;
    const auto flush = [&] {
        const QString chunk = buffer.trimmed();
        if (!chunk.isEmpty())
            chunks.append(chunk);
    };
    for (const Sentence& sentence : sentencesOf(graphemesOf(trimmed))) {
        const int limit = chunks.isEmpty() ? kFirstChunkLimit : kChunkLimit;
        if (!buffer.isEmpty() && bufferLength + sentence.length > limit) {
            flush();
            buffer = sentence.text;
            bufferLength = sentence.length;
        } else {
            buffer += sentence.text;
            bufferLength += sentence.length;
        }
    }
    flush();
    if (chunks.isEmpty())
        chunks.append(trimmed);
    return chunks;
}

} // namespace ReaderChunks
