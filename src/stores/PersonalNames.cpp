#include "stores/PersonalNames.h"

#include "platform/Platform.h"
#include "platform/UserAccount.h"
#include "support/Defaults.h"
#include "support/Text.h"

namespace {

bool separates(char32_t c) { return QChar::isSpace(c) || QChar::isPunct(c); }

bool containsIgnoringCase(const QStringList& words, const QString& word) {
    return words.contains(word, Qt::CaseInsensitive);
}

} // namespace

namespace PersonalNames {

bool enabled() { return Defaults::shared().boolOr(QStringLiteral("useAccountName"), true); }

QStringList names(const QString& fullName) {
    QStringList pieces;
    QString piece;
    const auto flush = [&] {
        const QString trimmed = piece.trimmed();
        if (Text::graphemeCount(trimmed) > 3 && !containsIgnoringCase(pieces, trimmed))
            pieces.append(trimmed);
        piece.clear();
    };
    for (qsizetype i = 0; i < fullName.size(); ++i) {
        const qsizetype width = fullName[i].isHighSurrogate() && i + 1 < fullName.size() ? 2 : 1;
        const QString unit = fullName.mid(i, width);
        if (separates(Text::firstCodePoint(unit)))
            flush();
        else
            piece += unit;
        i += width - 1;
    }
    flush();
    return pieces;
}

QStringList merged(const QStringList& words) {
    if (!enabled())
        return words;
    UserAccount* account = Platform::current().userAccount;
    const QStringList nameWords = account ? names(account->fullName()) : QStringList();
    QStringList result = words;
    for (const QString& name : nameWords) {
        if (!containsIgnoringCase(result, name))
            result.append(name);
    }
    return result;
}

} // namespace PersonalNames
