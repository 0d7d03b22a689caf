// The focused element and the focused window, from what the toolkits said
// last or else by walking the front application's elements.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"

#include "platform/Workspace.h"
#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiFocusEvents.h"
#include "platform/linux/AtspiLastFocused.h"
#include "platform/linux/AtspiTreeWalk.h"

#include <QCoreApplication>

#include <algorithm>

using AtspiCalls::failed;
using AtspiCalls::States;

namespace {

// How many elements a search for the focus visits at most.
constexpr int kSearchBudget = 4000;

} // namespace

std::shared_ptr<AccessibleElement> AtspiAccessibility::focusedElement() {
    std::optional<Workspace::Application> front;
    if (m_workspace)
        front = m_workspace->frontmostApplication();
    if (front && front->pid == QCoreApplication::applicationPid())
        return nullptr;
    if (!AtspiBus::ensureLibrary())
        return nullptr;
    // From now on the toolkits' focus events keep the answer current, and the
    // walk below is left for an application not heard from.
    m_focusEvents->listen();
    takeHeardFocus();
    if (m_lastFocused && front && m_lastFocused->belongsTo(front->pid)
        && States(m_lastFocused->node).has(ATSPI_STATE_FOCUSED)) {
        auto* node = static_cast<AtspiAccessible*>(g_object_ref(m_lastFocused->node));
        return std::make_shared<AtspiElement>(node, *m_lastFocused->utf16, m_offsets);
    }
    m_lastFocused.reset();
    std::shared_ptr<AccessibleElement> found;
    int budget = kSearchBudget;
    AtspiTreeWalk::forEachApplication(front ? front->pid : 0, [&](AtspiAccessible* app) {
        const bool utf16 = AtspiTreeWalk::countsUtf16(app);
        AtspiTreeWalk::forEachWindow(app, [&](AtspiAccessible* window) {
            if (AtspiAccessible* focused = AtspiTreeWalk::findFocused(window, budget)) {
                found = std::make_shared<AtspiElement>(focused, utf16, m_offsets);
                if (front)
                    m_lastFocused = std::make_unique<AtspiLastFocused>(focused, front->pid, utf16);
            }
            return found || budget < 0;
        });
        return found || budget < 0;
    });
    // Each element visited took one step of the budget.
    m_elementsWalked += quint64(kSearchBudget - std::max(budget, 0));
    return found;
}

std::optional<QRect> AtspiAccessibility::focusedWindowFrame(qint64 pid) {
    std::optional<QRect> frame;
    if (pid <= 0)
        return frame;
    AtspiTreeWalk::forEachApplication(pid, [&](AtspiAccessible* app) {
        AtspiTreeWalk::forEachWindow(app, [&](AtspiAccessible* window) {
            GObjectRef<AtspiComponent> component(atspi_accessible_get_component_iface(window));
            if (!component)
                return false;
            GError* error = nullptr;
            AtspiRect* rect = atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
            if (failed(error) || !rect)
                return false;
            frame = QRect(rect->x, rect->y, rect->width, rect->height);
            g_free(rect);
            return true;
        });
        return frame.has_value();
    });
    return frame;
}
