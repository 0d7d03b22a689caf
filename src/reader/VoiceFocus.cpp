#include "reader/VoiceFocus.h"

namespace VoiceFocuses {

QString toString(std::optional<VoiceFocus> focus) {
    if (!focus)
        return QStringLiteral("nil");
    return *focus == VoiceFocus::Flags ? QStringLiteral("flags") : QStringLiteral("voices");
}

} // namespace VoiceFocuses
