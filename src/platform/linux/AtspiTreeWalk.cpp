// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiTreeWalk.h"

#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiCalls.h"

#include <QCoreApplication>
#include <QString>

using AtspiCalls::failed;
using AtspiCalls::States;
using AtspiCalls::takeString;

namespace AtspiTreeWalk {

void forEachDesktopEntry(const Visit& visit) {
    GObjectRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (failed(error))
        return;
    for (gint i = 0; i < count; ++i) {
        GObjectRef<AtspiAccessible> app(atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (failed(error) || !app)
            continue;
        if (visit(app.get()))
            return;
    }
}

void forEachApplication(qint64 pid, const Visit& visit) {
    if (!AtspiBus::ensureLibrary())
        return;
    const qint64 self = QCoreApplication::applicationPid();
    forEachDesktopEntry([&](AtspiAccessible* app) {
        GError* error = nullptr;
        const qint64 appPid = atspi_accessible_get_process_id(app, &error);
        if (failed(error) || appPid == self || (pid > 0 && appPid != pid))
            return false;
        atspi_accessible_clear_cache(app);
        return visit(app);
    });
}

void forEachWindow(AtspiAccessible* app, const Visit& visit) {
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(app, &error);
    if (failed(error))
        return;
    for (const bool activePass : {true, false}) {
        for (gint i = 0; i < count; ++i) {
            GObjectRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app, i, &error));
            if (failed(error) || !window)
                continue;
            if (States(window.get()).has(ATSPI_STATE_ACTIVE) == activePass && visit(window.get()))
                return;
        }
    }
}

AtspiAccessible* applicationEntryOf(AtspiAccessible* node) {
    const AtspiObject* object = ATSPI_OBJECT(node);
    if (!object->app || !object->app->bus_name)
        return nullptr;
    AtspiAccessible* found = nullptr;
    forEachDesktopEntry([&](AtspiAccessible* app) {
        const AtspiObject* entry = ATSPI_OBJECT(app);
        if (!entry->app || !entry->app->bus_name || g_strcmp0(entry->app->bus_name, object->app->bus_name) != 0)
            return false;
        found = static_cast<AtspiAccessible*>(g_object_ref(app));
        return true;
    });
    return found;
}

std::optional<bool> toolkitCountsUtf16(AtspiAccessible* app) {
    GError* error = nullptr;
    const QString toolkit = takeString(atspi_accessible_get_toolkit_name(app, &error));
    if (failed(error))
        return std::nullopt;
    return toolkit.startsWith(QLatin1String("Qt"), Qt::CaseInsensitive);
}

bool countsUtf16(AtspiAccessible* app) { return toolkitCountsUtf16(app).value_or(false); }

} // namespace AtspiTreeWalk
