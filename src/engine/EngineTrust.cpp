#include "engine/EngineTrust.h"

#include "support/Bundle.h"

#include <QFileInfo>

namespace EngineTrust {

QString bundledList() { return Bundle::resource(QStringLiteral("cacert.pem")); }

QProcessEnvironment environment(QProcessEnvironment environment, const QString& list) {
    if (!list.isEmpty() && QFileInfo(list).isFile()) {
        environment.insert(QStringLiteral("SSL_CERT_FILE"), list);
        environment.insert(QStringLiteral("REQUESTS_CA_BUNDLE"), list);
    }
    return environment;
}

} // namespace EngineTrust
