#include "platform/Platform.h"

#include "platform/Wording.h"

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

QString Wording::of(const QString& text) {
    const Wording* wording = Platform::current().wording;
    return wording ? wording->forDesktop(text) : text;
}
