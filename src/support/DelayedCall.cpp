#include "support/DelayedCall.h"

#include <QTimer>

namespace DelayedCalls {

DelayedCall timers() {
    return [](std::chrono::milliseconds delay, QObject* context, std::function<void()> task) {
        QTimer::singleShot(delay, context, std::move(task));
    };
}

} // namespace DelayedCalls
