// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiFocusWalk.h"

#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiTreeWalk.h"

#include <QElapsedTimer>

using AtspiCalls::failed;
using AtspiCalls::States;

AtspiFocusWalk::AtspiFocusWalk(qint64 pid) : m_pid(pid) {
    AtspiTreeWalk::forEachApplication(pid, [&](AtspiAccessible* app) {
        const bool utf16 = AtspiTreeWalk::countsUtf16(app);
        AtspiTreeWalk::forEachWindow(app, [&](AtspiAccessible* window) {
            m_windows.push_back({static_cast<AtspiAccessible*>(g_object_ref(window)), utf16});
            return false;
        });
        return false;
    });
}

AtspiFocusWalk::~AtspiFocusWalk() {
    for (const Level& level : m_levels)
        g_object_unref(level.node);
    for (const Window& window : m_windows)
        g_object_unref(window.node);
    if (m_found)
        g_object_unref(m_found);
}

void AtspiFocusWalk::visit(AtspiAccessible* node) {
    --m_budget;
    const States states(node);
    if (states.has(ATSPI_STATE_FOCUSED)) {
        m_found = static_cast<AtspiAccessible*>(g_object_ref(node));
        m_foundUtf16 = m_windowUtf16;
        return;
    }
    if (states.has(ATSPI_STATE_MANAGES_DESCENDANTS) || !states.has(ATSPI_STATE_SHOWING))
        return;
    GError* error = nullptr;
    const gint children = atspi_accessible_get_child_count(node, &error);
    if (failed(error) || children <= 0)
        return;
    m_levels.push_back({static_cast<AtspiAccessible*>(g_object_ref(node)), 0, children});
}

AtspiFocusWalk::Outcome AtspiFocusWalk::advance(std::chrono::milliseconds slice) {
    QElapsedTimer clock;
    clock.start();
    do {
        if (m_found)
            return Outcome::Found;
        if (m_budget <= 0)
            return Outcome::NotFound;
        if (m_levels.empty()) {
            if (m_nextWindow == m_windows.size())
                return Outcome::NotFound;
            const Window& window = m_windows[m_nextWindow++];
            m_windowUtf16 = window.utf16;
            visit(window.node);
            continue;
        }
        Level& level = m_levels.back();
        if (level.next >= level.count) {
            g_object_unref(level.node);
            m_levels.pop_back();
            continue;
        }
        GError* error = nullptr;
        AtspiAccessible* child = atspi_accessible_get_child_at_index(level.node, level.next++, &error);
        if (failed(error) || !child)
            continue;
        visit(child);
        g_object_unref(child);
    } while (clock.elapsed() < slice.count());
    return m_found ? Outcome::Found : Outcome::Unfinished;
}
