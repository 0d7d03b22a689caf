#pragma once

#include <QString>

// A finer kind of element within its role, in the portable names, for the few
// the logic tells apart: landmarks of a page and some collection parts. Each
// has a raw text ("AXLandmarkNavigation", …) for traces and tests.
enum class AccessibleSubrole {
    LandmarkNavigation,
    LandmarkBanner,
    LandmarkComplementary,
    LandmarkMain,
    ContentList,
    TabButton,
    Other,
};

QString toString(AccessibleSubrole subrole);
