#include "looks/Symbols.h"

#include "support/Bundle.h"

namespace Symbols {

QString path(const QString& name) { return Bundle::resource(QStringLiteral("icons/") + name + QStringLiteral(".svg")); }

QIcon icon(const QString& name) {
    const QString file = path(name);
    return file.isEmpty() ? QIcon() : QIcon(file);
}

} // namespace Symbols
