#pragma once

#include "support/DelayedCall.h"
#include "translation/TranslationDownload.h"

#include <QFuture>
#include <QString>

#include <functional>
#include <optional>

class Defaults;
class EngineBootstrap;
class PermissionProvider;
class ReaderController;
class TranslationCatalog;

// What the onboarding pages use of the rest of the program. The program's own
// set is desktop(); tests build theirs from fakes.
struct OnboardingServices {
    Defaults* defaults = nullptr;
    EngineBootstrap* bootstrap = nullptr;
    PermissionProvider* permissions = nullptr;
    DelayedCall delayedCall;
    // Opens the desktop's accessibility settings; false when nothing opened.
    std::function<bool()> openAccessibilitySettings;

    // The copy in use should move into an Applications folder (never for a
    // copy managed by a package).
    std::function<bool()> offerMove;
    // The copy runs from a temporary place the system made.
    std::function<bool()> isTranslocated;
    // Where the copy runs from, home shown as "~".
    std::function<QString()> whereItIs;
    // Starts the move; false when it cannot start.
    std::function<bool()> moveToApplications;
    std::function<void()> revealInFileManager;

    std::function<bool()> translationAvailable;
    // The catalogue of ready languages and the control that adds one.
    TranslationCatalog* catalog = nullptr;
    std::function<TranslationDownload::Services()> downloads;
    // Reads `text` in the reading voice; finishes when the reading ends.
    std::function<QFuture<void>(const QString& text, double speed, float volume)> speak;
    // Where "gift-greeting.txt" and "gift-whisper.txt" are looked for; empty for none.
    std::function<QString()> resourceFolder;

    // The running program's, with `bootstrap` and `reader` (both must outlive
    // the pages).
    static OnboardingServices desktop(EngineBootstrap& bootstrap, ReaderController& reader);
};
