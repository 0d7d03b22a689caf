#pragma once

// A program's elements as a screen reader reaches them over AT-SPI. Include
// before Qt: GLib's headers use the name "signals". Desktop tests only.
#include <atspi/atspi.h>

#include <QString>

#include <functional>

namespace ProgramAccessTree {

// Takes a string AT-SPI handed over; null reads as empty.
inline QString text(gchar* owned) {
    const QString result = QString::fromUtf8(owned ? owned : "");
    g_free(owned);
    return result;
}

inline bool has(AtspiAccessible* element, AtspiStateType state) {
    AtspiStateSet* states = atspi_accessible_get_state_set(element);
    const bool result = states && atspi_state_set_contains(states, state);
    if (states)
        g_object_unref(states);
    return result;
}

inline bool anyBelow(AtspiAccessible* root, const std::function<bool(AtspiAccessible*)>& match, int depth) {
    constexpr int kDeepest = 20;
    if (depth > kDeepest)
        return false;
    const int count = atspi_accessible_get_child_count(root, nullptr);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(root, i, nullptr);
        if (!child)
            continue;
        found = match(child) || anyBelow(child, match, depth + 1);
        g_object_unref(child);
    }
    return found;
}

// Whether `match` holds for an element of process `pid`, depth first. Read
// afresh on every call: pages and message boxes come and go under a cached tree.
inline bool any(qint64 pid, const std::function<bool(AtspiAccessible*)>& match) {
    AtspiAccessible* desktop = atspi_get_desktop(0);
    bool found = false;
    const int apps = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < apps && !found; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (!app)
            continue;
        if (atspi_accessible_get_process_id(app, nullptr) == guint(pid)) {
            atspi_accessible_clear_cache(app);
            found = anyBelow(app, match, 0);
        }
        g_object_unref(app);
    }
    g_object_unref(desktop);
    return found;
}

} // namespace ProgramAccessTree
