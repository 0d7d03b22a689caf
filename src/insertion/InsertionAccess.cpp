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

std::optional<QString> allowReadingAroundCaret() {
    Accessibility* accessibility = Platform::current().accessibility;
    if (!accessibility || accessibility->isTrusted())
        return std::nullopt;
    accessibility->requestTrust();
    return QCoreApplication::translate("InsertionAccess",
                                       "Accessibility is now on, so Quorvane can read the text at the cursor.");
}

} // namespace InsertionAccess
