// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiCalls.h"

#include <algorithm>
#include <climits>

namespace AtspiCalls {

bool failed(GError*& error) {
    if (!error)
        return false;
    g_error_free(error);
    error = nullptr;
    return true;
}

QString takeString(gchar* text) {
    QString result = QString::fromUtf8(text ? text : "");
    g_free(text);
    return result;
}

gint clampOffset(qint64 offset) { return gint(std::clamp<qint64>(offset, 0, INT_MAX)); }

std::optional<Address> addressOf(AtspiAccessible* node) {
    const AtspiObject* object = ATSPI_OBJECT(node);
    if (!object->app || !object->app->bus_name || !object->path)
        return std::nullopt;
    return Address{QString::fromUtf8(object->app->bus_name), QString::fromUtf8(object->path)};
}

QString keyOf(AtspiAccessible* node) {
    const std::optional<Address> address = addressOf(node);
    return address ? address->service + QLatin1Char(' ') + address->path : QString();
}

EventListener::~EventListener() {
    if (!m_listener)
        return;
    atspi_event_listener_deregister(m_listener, m_event, nullptr);
    g_object_unref(m_listener);
}

void EventListener::listen() {
    if (m_listener)
        return;
    m_listener = atspi_event_listener_new(m_callback, m_data, nullptr);
    GError* error = nullptr;
    atspi_event_listener_register(m_listener, m_event, &error);
    failed(error);
}

} // namespace AtspiCalls
