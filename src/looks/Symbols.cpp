#include "looks/Symbols.h"

#include "support/Bundle.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSymbols, "quorvane.looks")

namespace Symbols {

QString path(const QString& name) { return Bundle::resource(QStringLiteral("icons/") + name + QStringLiteral(".svg")); }

QIcon icon(const QString& name) {
    const QString file = path(name);
    if (file.isEmpty()) {
        // A name without its drawing is a packaging fault: the place shows blank.
        qCWarning(lcSymbols).noquote() << "no icon for symbol" << name;
        return QIcon();
    }
    return QIcon(file);
}

} // namespace Symbols
