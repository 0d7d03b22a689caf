#include "platform/AccessibleSubrole.h"

QString toString(AccessibleSubrole subrole) {
    switch (subrole) {
    case AccessibleSubrole::LandmarkNavigation:
        return QStringLiteral("AXLandmarkNavigation");
    case AccessibleSubrole::LandmarkBanner:
        return QStringLiteral("AXLandmarkBanner");
    case AccessibleSubrole::LandmarkComplementary:
        return QStringLiteral("AXLandmarkComplementary");
    case AccessibleSubrole::LandmarkMain:
        return QStringLiteral("AXLandmarkMain");
    case AccessibleSubrole::ContentList:
        return QStringLiteral("AXContentList");
    case AccessibleSubrole::TabButton:
        return QStringLiteral("AXTabButton");
    case AccessibleSubrole::Other:
        break;
    }
    return QStringLiteral("AXUnknown");
}
