// The focused element and the focused window, from what the toolkits said
// last or else by walking the front application's elements, a slice at a time.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"

#include "platform/Workspace.h"
#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiFocusEvents.h"
#include "platform/linux/AtspiFocusWalk.h"
#include "platform/linux/AtspiLastFocused.h"
#include "platform/linux/AtspiTreeWalk.h"

#include <QCoreApplication>

using AtspiCalls::failed;
using AtspiCalls::States;

void AtspiAccessibility::prepare() {
    if (AtspiBus::ensureLibrary())
        m_focusEvents->listen();
}

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
    if (m_lastFocused && (front ? m_lastFocused->belongsTo(front->pid) : m_lastFocused->utf16.has_value())
        && States(m_lastFocused->node).has(ATSPI_STATE_FOCUSED)) {
        m_walk.reset();
        auto* node = static_cast<AtspiAccessible*>(g_object_ref(m_lastFocused->node));
        return std::make_shared<AtspiElement>(node, *m_lastFocused->utf16, m_offsets);
    }
    m_lastFocused.reset();
    const qint64 pid = front ? front->pid : 0;
    // A walk under way goes on in its own slices; a question starts one anew.
    if (m_walk && m_walk->pid() == pid)
        return nullptr;
    m_walk = std::make_unique<AtspiFocusWalk>(pid);
    walkOn();
    if (!m_lastFocused)
        return nullptr;
    auto* node = static_cast<AtspiAccessible*>(g_object_ref(m_lastFocused->node));
    return std::make_shared<AtspiElement>(node, *m_lastFocused->utf16, m_offsets);
}

void AtspiAccessibility::walkOn() {
    const int before = m_walk->visited();
    const AtspiFocusWalk::Outcome outcome = m_walk->advance(m_walkSlice);
    // Each element visited took one step of the budget.
    m_elementsWalked += quint64(m_walk->visited() - before);
    switch (outcome) {
    case AtspiFocusWalk::Outcome::Unfinished:
        m_walkTurn.start();
        return;
    case AtspiFocusWalk::Outcome::Found:
        // A focus heard of meanwhile is newer than the one found.
        if (!m_heard)
            m_lastFocused =
                std::make_unique<AtspiLastFocused>(m_walk->found(), m_walk->pid(), m_walk->foundCountsUtf16());
        break;
    case AtspiFocusWalk::Outcome::NotFound:
        break;
    }
    m_walk.reset();
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
