#include "phonelink/PhoneNote.h"

#include <QStringList>

namespace {

constexpr qsizetype kTitleWords = 6;

bool isSpaceOrTab(QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; }

QStringList words(const QString& text) {
    QStringList found;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (space && start >= 0) {
            found.append(text.mid(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return found;
}

} // namespace

QString PhoneNote::displayTitle() const {
    if (title && std::any_of(title->cbegin(), title->cend(), [](QChar c) { return !isSpaceOrTab(c); }))
        return *title;
    const QStringList all = words(text);
    QString shown = all.mid(0, kTitleWords).join(QLatin1Char(' '));
    if (all.size() > kTitleWords)
        shown += QChar(0x2026);
    return shown.isEmpty() ? QStringLiteral("Untitled") : shown;
}
