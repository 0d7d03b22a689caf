// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiLastFocused.h"

#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiTreeWalk.h"

AtspiLastFocused::AtspiLastFocused(AtspiAccessible* focused, qint64 pid, bool utf16)
    : node(static_cast<AtspiAccessible*>(g_object_ref(focused))), pid(pid), utf16(utf16) {}

AtspiLastFocused::AtspiLastFocused(AtspiAccessible* heard) : node(static_cast<AtspiAccessible*>(g_object_ref(heard))) {}

AtspiLastFocused::~AtspiLastFocused() { g_object_unref(node); }

bool AtspiLastFocused::inProcess(qint64 front) {
    if (!pid) {
        GError* error = nullptr;
        const qint64 process = atspi_accessible_get_process_id(node, &error);
        pid = AtspiCalls::failed(error) || process <= 0 ? -1 : process;
    }
    return pid == front;
}

bool AtspiLastFocused::belongsTo(qint64 front) {
    if (!inProcess(front))
        return false;
    if (!utf16) {
        GObjectRef<AtspiAccessible> app(AtspiTreeWalk::applicationEntryOf(node));
        if (!app)
            return false;
        utf16 = AtspiTreeWalk::countsUtf16(app.get());
    }
    return true;
}
