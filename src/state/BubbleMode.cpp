#include "state/BubbleMode.h"

QString toString(BubbleMode mode) {
    switch (mode) {
    case BubbleMode::Hidden:
        return QStringLiteral("hidden");
    case BubbleMode::Listening:
        return QStringLiteral("listening");
    case BubbleMode::Thinking:
        return QStringLiteral("thinking");
    case BubbleMode::Result:
        return QStringLiteral("result");
    case BubbleMode::Flash:
        return QStringLiteral("flash");
    }
    return QStringLiteral("hidden");
}
