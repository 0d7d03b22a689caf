#include "reader/FocusLog.h"

#include "support/Defaults.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace FocusLog {

QString filePath() { return QDir(Paths::logs()).filePath(QStringLiteral("Quorvane-focus.log")); }

QString record(const QDateTime& time, const QString& text, const QString& firstResponder) {
    return time.toUTC().toString(Qt::ISODate) + QStringLiteral("  ") + text + u'\n' + QString(12, u' ')
           + QStringLiteral("firstResponder=") + (firstResponder.isEmpty() ? QStringLiteral("none") : firstResponder)
           + u'\n';
}

QString firstResponder() {
    const QWidget* widget = QApplication::focusWidget();
    return widget ? QString::fromLatin1(widget->metaObject()->className()) : QStringLiteral("none");
}

void note(const QString& text, const Defaults& defaults, const QString& path) {
    if (!defaults.boolOr(QString::fromLatin1(kSettingKey), false))
        return;
    const QByteArray line = record(QDateTime::currentDateTimeUtc(), text, firstResponder()).toUtf8();
    QFile file(path);
    if (PrivateFiles::open(file, QIODevice::WriteOnly | QIODevice::Append))
        file.write(line);
}

void note(const QString& text) { note(text, Defaults::shared(), filePath()); }

} // namespace FocusLog
