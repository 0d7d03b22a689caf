#pragma once

#include <QString>

#include <optional>

// The two keyboard stops of the voice picker: the language chips and the
// voice cards, in that order.
enum class VoiceFocus { Flags, Voices };

namespace VoiceFocuses {

// "flags", "voices", or "nil" for no focus: the form the focus log prints.
QString toString(std::optional<VoiceFocus> focus);

} // namespace VoiceFocuses
