#include "insertion/InsertionAccess.h"

#include "platform/Accessibility.h"
#include "platform/KeySynth.h"
#include "platform/Platform.h"

#include <QCoreApplication>

namespace InsertionAccess {

bool canPaste() {
    KeySynth* keys = Platform::current().keySynth;
    return keys && keys->canPost();
}

bool canReadAroundCaret() {
    Accessibility* accessibility = Platform::current().accessibility;
    return !accessibility || accessibility->isTrusted();
}

void askToReadAroundCaret(std::function<void(bool on)> answered) {
    Accessibility* accessibility = Platform::current().accessibility;
    if (!accessibility) {
        if (answered)
            answered(false);
        return;
    }
    accessibility->requestTrust(std::move(answered));
}

QString readingTurnedOn() {
    return QCoreApplication::translate("InsertionAccess",
                                       "Accessibility is now on, so Quorvane can read the text at the cursor.");
}

QString readingRefused() {
    return QCoreApplication::translate("InsertionAccess",
                                       "Accessibility could not be turned on for this session, so Quorvane cannot read "
                                       "the text at the cursor. Dictation still types your words.");
}

} // namespace InsertionAccess
