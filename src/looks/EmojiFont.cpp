#include "looks/EmojiFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont emojiFont(const QFont& base) {
    // The colour emoji fonts Linux distributions ship, most common first.
    static const QStringList colourFonts = [] {
        const QStringList installed = QFontDatabase::families();
        QStringList found;
        for (const QString& family : {QStringLiteral("Noto Color Emoji"), QStringLiteral("Twemoji"),
                                      QStringLiteral("JoyPixels"), QStringLiteral("EmojiOne Color")})
            if (installed.contains(family))
                found << family;
        return found;
    }();
    QFont font = base;
    font.setFamilies(colourFonts + base.families() + QStringList{base.family()});
    return font;
}
