#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

namespace {

constexpr mode_t kPrivateMode = 0700;

// A real folder (no link) owned by this user whose mode lets nobody else in.
bool isPrivateFolder(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
           && (info.st_mode & 0077) == 0;
}

} // namespace

QString SingleInstance::privateFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(QFile::encodeName(runtime)))
        return QDir::cleanPath(runtime);
    // mkdir with the final mode, then a look at what stands there: a folder
    // someone else made first under the name is refused, not used.
    const QString fallback = QDir(QDir::tempPath()).filePath(QStringLiteral("quorvane-") + QString::number(::getuid()));
    const QByteArray path = QFile::encodeName(fallback);
    (void)::mkdir(path.constData(), kPrivateMode);
    return isPrivateFolder(path) ? fallback : QString();
}

QString SingleInstance::defaultName() {
    const QString folder = privateFolder();
    if (folder.isEmpty())
        return {};
    // Per home folder: a program run with a temporary home (tests, a
    // benchmark) is a separate program from the user's own.
    const QByteArray home = QFile::encodeName(QDir::homePath());
    return folder + QStringLiteral("/quorvane-")
           + QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(8));
}

SingleInstance::Claim SingleInstance::claim(const QStringList& documents) {
    if (m_name.isEmpty())
        return Claim::Failed;
    // The local socket of a relative name lives in the temporary folder; the
    // turn is taken beside it and held until this launch listens or leaves.
    // Without it (a launch that hangs holding it) the steps below still never
    // take a socket someone answers on.
    QLockFile turn(QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock")));
    (void)turn.tryLock(kTurnWait);
    if (handOver(documents))
        return Claim::HandedOver;
    if (listen())
        return Claim::Running;
    // Another launch began listening between the two steps.
    return handOver(documents) ? Claim::HandedOver : Claim::Failed;
}

bool SingleInstance::handOver(const QStringList& documents) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(int(kConnectWait.count())))
        return false;
    QByteArray request = "reopen\n";
    for (const QString& document : documents)
        request += QFileInfo(document).absoluteFilePath().toUtf8() + '\n';
    socket.write(request);
    socket.flush();
    socket.waitForBytesWritten(int(kWriteWait.count()));
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::someoneAnswers() const {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    const bool answered = socket.waitForConnected(int(kConnectWait.count()));
    socket.abort();
    return answered;
}

bool SingleInstance::listen() {
    if (m_server && m_server->isListening())
        return true;
    // Listening puts a new socket in place of whatever file has the name, so
    // first make sure nobody answers there.
    if (someoneAnswers())
        return false;
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left by a program that crashed.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    serve();
    return true;
}

void SingleInstance::close() {
    if (m_server)
        m_server->close();
}

void SingleInstance::serve() {
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
}
