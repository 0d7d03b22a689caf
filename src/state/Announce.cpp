#include "state/Announce.h"

#include "platform/Announcer.h"
#include "platform/Platform.h"

#include <QGuiApplication>

namespace Announce {

void say(const QString& text, bool interrupting) {
    const QString message = text.trimmed();
    if (message.isEmpty())
        return;
    Announcer* announcer = Platform::current().announcer;
    if (!announcer)
        return;
    announcer->announce(message, interrupting ? Announcer::Priority::High : Announcer::Priority::Medium,
                        QGuiApplication::focusWindow());
}

} // namespace Announce
