#include "platform/linux/Wording.h"

#include <QHash>

namespace Wording {

QString forLinux(const QString& text) {
    static const QHash<QString, QString> table = {
        {QStringLiteral("No sound from your mic. Check System Settings > Sound > Input."),
         QStringLiteral("No sound from your mic. Check Settings > Sound > Input.")},
    };
    return table.value(text, text);
}

} // namespace Wording
