#include "platform/linux/DetachedProgramLauncher.h"

#include <QProcess>

bool DetachedProgramLauncher::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}
