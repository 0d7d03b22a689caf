#pragma once

// Small helpers for calls into the accessibility library, shared by the
// AT-SPI files: errors, strings, offsets, states and an element's address.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/GObjectRef.h"

#include <QString>

#include <optional>

namespace AtspiCalls {

// Frees a GError and tells whether there was one.
bool failed(GError*& error);

// The text as a QString; frees it.
QString takeString(gchar* text);

// An offset the library takes: not negative, at most the largest gint.
gint clampOffset(qint64 offset);

// Where an element lives on the accessibility bus: its application's bus name
// and its object path.
struct Address {
    QString service;
    QString path;
};

// Nothing for an element the library knows no address of.
std::optional<Address> addressOf(AtspiAccessible* node);

// The address as one text, naming the element across references to it; empty
// when there is none.
QString keyOf(AtspiAccessible* node);

// An element's state set, asked once.
struct States {
    explicit States(AtspiAccessible* node) : set(atspi_accessible_get_state_set(node)) {}
    bool has(AtspiStateType state) const { return set && atspi_state_set_contains(set.get(), state); }
    GObjectRef<AtspiStateSet> set;
};

// A listener for one kind of event, registered at the first `listen` and
// deregistered when it goes.
class EventListener {
public:
    // `event` is a static text such as "object:text-changed".
    EventListener(const char* event, AtspiEventListenerCB callback, void* data)
        : m_event(event), m_callback(callback), m_data(data) {}
    ~EventListener();
    EventListener(const EventListener&) = delete;
    EventListener& operator=(const EventListener&) = delete;

    void listen();

private:
    const char* m_event;
    AtspiEventListenerCB m_callback;
    void* m_data;
    AtspiEventListener* m_listener = nullptr;
};

} // namespace AtspiCalls
