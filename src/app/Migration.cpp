#include "app/Migration.h"

#include "support/Defaults.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace Migration {

void runIfNeeded(Defaults& defaults, const QString& applicationSupport) {
    const QString doneKey = QStringLiteral("migratedFromElectron");
    if (defaults.boolOr(doneKey, false))
        return;
    defaults.set(doneKey, true);
    if (applicationSupport.isEmpty())
        return;

    PrivateFiles::makeFolder(applicationSupport + QStringLiteral("/Quorvane Native"));

    QFile prefs(applicationSupport + QStringLiteral("/Quorvane/engine-prefs.json"));
    if (!prefs.open(QIODevice::ReadOnly))
        return;
    const QJsonDocument document = QJsonDocument::fromJson(prefs.readAll());
    if (!document.isObject())
        return;
    const QJsonObject object = document.object();
    for (const QString& key : {QStringLiteral("ttsEngine"), QStringLiteral("sttEngine")}) {
        const QJsonValue member = object.value(key);
        if (member.isString())
            defaults.set(key, member.toString());
    }
}

void runIfNeeded() { runIfNeeded(Defaults::shared(), Paths::applicationSupport()); }

} // namespace Migration
