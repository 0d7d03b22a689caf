#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    // Per user and home folder: a program run with a temporary home (tests, a
    // benchmark) is a separate program from the user's own.
    const QByteArray home = QFile::encodeName(QDir::homePath());
    return QStringLiteral("quorvane-") + QString::number(::getuid()) + QLatin1Char('-') +
           QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(8));
}

bool SingleInstance::handOver(const QStringList& documents) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500))
        return false;
    QByteArray request = "reopen\n";
    for (const QString& document : documents)
        request += QFileInfo(document).absoluteFilePath().toUtf8() + '\n';
    socket.write(request);
    socket.flush();
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left by a program that crashed: nobody answered handOver().
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            const auto finish = [this, socket] {
                const QList<QByteArray> lines = socket->readAll().split('\n');
                socket->deleteLater();
                if (lines.isEmpty() || lines.first() != "reopen")
                    return;
                QStringList documents;
                for (qsizetype i = 1; i < lines.size(); ++i)
                    if (!lines[i].isEmpty())
                        documents << QString::fromUtf8(lines[i]);
                emit reopened(documents);
            };
            // The later launch may already have written everything and gone.
            if (socket->state() == QLocalSocket::UnconnectedState)
                finish();
            else
                connect(socket, &QLocalSocket::disconnected, this, finish);
        }
    });
    return true;
}
