#pragma once

// GLib's object header uses the name "signals", which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <glib-object.h>
#pragma pop_macro("signals")

// Holds a GObject reference (or none) and drops it at the end of the scope.
template <typename T> struct GObjectRef {
    explicit GObjectRef(T* object = nullptr) : object(object) {}
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    ~GObjectRef() {
        if (object)
            g_object_unref(object);
    }
    T* get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    T* object;
};
