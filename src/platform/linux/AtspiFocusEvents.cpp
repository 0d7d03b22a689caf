// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiFocusEvents.h"

AtspiFocusEvents::AtspiFocusEvents(std::function<void(AtspiAccessible* gained)> gained)
    : m_gained(std::move(gained)), m_listener("object:state-changed:focused", &AtspiFocusEvents::onEvent, this) {}

void AtspiFocusEvents::onEvent(AtspiEvent* event, void* self) {
    // detail1 is 1 when the element gained the state, 0 when it lost it.
    if (event->source && event->detail1 == 1)
        static_cast<AtspiFocusEvents*>(self)->m_gained(event->source);
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}
