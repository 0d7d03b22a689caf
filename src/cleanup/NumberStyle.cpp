#include "cleanup/NumberStyle.h"

QString toString(NumberStyle style) {
    switch (style) {
    case NumberStyle::Words:
        return QStringLiteral("words");
    case NumberStyle::Digits:
        return QStringLiteral("digits");
    case NumberStyle::Smart:
        break;
    }
    return QStringLiteral("smart");
}

NumberStyle numberStyleFromString(const QString& text) {
    if (text == QLatin1String("words"))
        return NumberStyle::Words;
    if (text == QLatin1String("digits"))
        return NumberStyle::Digits;
    return NumberStyle::Smart;
}
