#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiCalls.h"

#include <functional>

// Tells each element that gains the keyboard focus, as the toolkits announce
// it ("object:state-changed:focused"), from the first call of `listen` on.
// GUI thread only (AT-SPI delivers events there).
class AtspiFocusEvents {
public:
    // `gained` is called with the element (a reference the call does not own).
    explicit AtspiFocusEvents(std::function<void(AtspiAccessible* gained)> gained);

    void listen() { m_listener.listen(); }

private:
    static void onEvent(AtspiEvent* event, void* self);

    std::function<void(AtspiAccessible*)> m_gained;
    AtspiCalls::EventListener m_listener;
};
