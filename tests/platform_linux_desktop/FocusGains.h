#pragma once

#include <atspi/atspi.h>

// Counts the focus gains the toolkits announce to this process. The library
// hands one event to every listener in one go, so once this one has heard a
// gain, the accessibility object's listener has heard it too.
class FocusGains {
public:
    FocusGains() : m_listener(atspi_event_listener_new(&FocusGains::onEvent, this, nullptr)) {
        GError* error = nullptr;
        atspi_event_listener_register(m_listener, kEvent, &error);
        m_registered = !error;
        if (error)
            g_error_free(error);
    }
    ~FocusGains() {
        atspi_event_listener_deregister(m_listener, kEvent, nullptr);
        g_object_unref(m_listener);
    }
    FocusGains(const FocusGains&) = delete;
    FocusGains& operator=(const FocusGains&) = delete;

    bool registered() const { return m_registered; }
    int count() const { return m_count; }

private:
    static constexpr const char* kEvent = "object:state-changed:focused";
    static void onEvent(AtspiEvent* event, void* self) {
        if (event->detail1 == 1)
            ++static_cast<FocusGains*>(self)->m_count;
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    AtspiEventListener* m_listener;
    bool m_registered = false;
    int m_count = 0;
};
