#include "platform/Platform.h"

namespace {

Platform& installed() {
    static Platform services;
    return services;
}

} // namespace

const Platform& Platform::current() { return installed(); }

Platform Platform::install(const Platform& services) {
    Platform previous = installed();
    installed() = services;
    return previous;
}
