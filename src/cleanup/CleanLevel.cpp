#include "cleanup/CleanLevel.h"

QString toString(CleanLevel level) {
    switch (level) {
    case CleanLevel::Off:
        return QStringLiteral("off");
    case CleanLevel::Aggressive:
        return QStringLiteral("aggressive");
    case CleanLevel::Balanced:
        break;
    }
    return QStringLiteral("balanced");
}

CleanLevel cleanLevelFromString(const QString& text) {
    if (text == QLatin1String("off"))
        return CleanLevel::Off;
    if (text == QLatin1String("aggressive"))
        return CleanLevel::Aggressive;
    return CleanLevel::Balanced;
}
