#include "cleanup/CleanupWay.h"

QString toString(CleanupWay way) {
    switch (way) {
    case CleanupWay::Quick:
        return QStringLiteral("quick");
    case CleanupWay::AppleIntelligence:
        return QStringLiteral("apple-intelligence");
    case CleanupWay::LocalLlm:
        return QStringLiteral("local-llm");
    case CleanupWay::Regex:
        break;
    }
    return QStringLiteral("regex");
}
