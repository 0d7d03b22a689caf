#include "support/LineLog.h"

#include "support/PrivateFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {

QMutex& logMutex() {
    static QMutex mutex;
    return mutex;
}

} // namespace

LineLog::LineLog(QString path, qint64 rotateAtBytes) : m_path(std::move(path)), m_rotateAtBytes(rotateAtBytes) {}

QString LineLog::timestamp() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }

void LineLog::append(const QString& line) const {
    QMutexLocker lock(&logMutex());
    if (m_rotateAtBytes > 0 && QFileInfo(m_path).size() >= m_rotateAtBytes) {
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(m_path, older);
        PrivateFiles::narrow(older);
    }
    QFile file(m_path);
    if (!PrivateFiles::open(file, QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.toUtf8());
    file.write("\n");
}

void LineLog::appendStamped(const QString& message, const QString& separator) const {
    append(timestamp() + separator + message);
}
