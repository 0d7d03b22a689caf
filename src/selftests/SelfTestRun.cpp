#include "selftests/SelfTestRun.h"

#include <QTimer>

void SelfTestRun::after(std::chrono::milliseconds wait, std::function<void()> next) {
    QTimer::singleShot(wait, this, std::move(next));
}
