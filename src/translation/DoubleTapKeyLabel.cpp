#include "translation/DoubleTapKeyLabel.h"

#include "platform/Wording.h"

#include <array>
#include <utility>

namespace DoubleTapKeyLabel {

QString of(const QString& storedKey, Fallback fallback) {
    static const std::array<std::pair<const char*, const char*>, 6> labels = {{
        {"rightCommand", "Right Command \u2318"},
        {"rightOption", "Right Option \u2325"},
        {"rightControl", "Right Control \u2303"},
        {"leftCommand", "Left Command \u2318"},
        {"leftOption", "Left Option \u2325"},
        // The left Control key is the one people mean by "Control".
        {"leftControl", "Control \u2303"},
    }};
    for (const auto& [key, label] : labels)
        if (storedKey == QLatin1String(key))
            return Wording::of(QString::fromUtf8(label));
    return fallback == Fallback::TheKey ? QStringLiteral("the key") : QStringLiteral("the other key");
}

} // namespace DoubleTapKeyLabel
