#include "support/ChildRole.h"

#include <QCoreApplication>
#include <QHash>

#include <cstdio>

namespace ChildRole {

namespace {

constexpr const char* kVariable = "QV_TEST_CHILD_ROLE";

QHash<QString, Body>& roles() {
    static QHash<QString, Body> all;
    return all;
}

} // namespace

bool add(const QString& name, Body body) {
    roles().insert(name, std::move(body));
    return true;
}

std::optional<int> runRequested() {
    const QString name = qEnvironmentVariable(kVariable);
    if (name.isEmpty())
        return std::nullopt;
    const auto role = roles().constFind(name);
    if (role == roles().constEnd()) {
        std::fprintf(stderr, "no child role named %s\n", qPrintable(name));
        return 2;
    }
    return (*role)();
}

void start(QProcess& child, const QString& name, const QProcessEnvironment& environment) {
    QProcessEnvironment combined = QProcessEnvironment::systemEnvironment();
    combined.insert(environment);
    combined.insert(QString::fromLatin1(kVariable), name);
    child.setProcessEnvironment(combined);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
}

} // namespace ChildRole
