#include "support/PhoneClient.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <QTimeZone>
#include <QUuid>
#include <QtConcurrent>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace PhoneClient {

std::optional<QJsonObject> Outcome::receipt() const {
    if (received.size() < 4)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(received.constData());
    if (qsizetype(length) != received.size() - 4)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(received.mid(4));
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

QByteArray frame(const QByteArray& payload, std::optional<quint32> length) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(length.value_or(quint32(payload.size())), out.data());
    return out + payload;
}

QByteArray batch(int count, const std::optional<QString>& deviceID, int firstNumber) {
    QJsonArray notes;
    const QDateTime base(QDate(2026, 5, 1), QTime(8, 0), QTimeZone::utc());
    for (int i = 0; i < count; ++i) {
        QJsonObject note;
        note.insert(QStringLiteral("id"), QUuid::createUuid().toString(QUuid::WithoutBraces));
        note.insert(QStringLiteral("text"), QStringLiteral("note number %1").arg(firstNumber + i));
        note.insert(QStringLiteral("captured"),
                    base.addSecs(firstNumber + i).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")));
        note.insert(QStringLiteral("seconds"), 1.5);
        note.insert(QStringLiteral("device"), QStringLiteral("Test Phone"));
        if (deviceID)
            note.insert(QStringLiteral("deviceID"), *deviceID);
        notes.append(note);
    }
    return QJsonDocument(notes).toJson(QJsonDocument::Compact);
}

namespace {
int connectTo(quint16 port, quint32 from);
}

Outcome exchange(quint16 port, const QByteArray& bytes, const Options& options) {
    Outcome outcome;
    const int fd = connectTo(port, options.from);
    if (fd < 0)
        return outcome;
    outcome.connected = true;
    const qsizetype piece = options.pieceSize > 0 ? options.pieceSize : bytes.size();
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(std::min(piece, bytes.size() - sent)), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
        if (options.pause.count() > 0 && sent < bytes.size())
            QThread::msleep(quint64(options.pause.count()));
    }
    if (options.halfClose)
        ::shutdown(fd, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + options.readTimeout;
    char chunk[4096];
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, int(left.count())) <= 0)
            break;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            outcome.closed = true;
            break;
        }
        outcome.received.append(chunk, n);
    }
    ::close(fd);
    return outcome;
}

namespace {

int connectTo(quint16 port, quint32 from) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(from);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0
        && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

} // namespace

QList<Outcome> exchangeAll(quint16 port, const QList<QByteArray>& messages, const Options& options) {
    QList<Outcome> outcomes(messages.size());
    QList<int> fds;
    for (qsizetype i = 0; i < messages.size(); ++i) {
        fds.append(connectTo(port, options.from + quint32(i) * options.addressStep));
        outcomes[i].connected = fds.last() >= 0;
    }
    for (qsizetype i = 0; i < messages.size(); ++i) {
        if (fds[i] < 0)
            continue;
        if (::send(fds[i], messages[i].constData(), size_t(messages[i].size()), MSG_NOSIGNAL) < 0) {
            outcomes[i].closed = true;
            continue;
        }
        if (options.halfClose)
            ::shutdown(fds[i], SHUT_WR);
    }
    const auto deadline = std::chrono::steady_clock::now() + options.readTimeout;
    char chunk[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<pollfd> waiting;
        QList<qsizetype> index;
        for (qsizetype i = 0; i < fds.size(); ++i) {
            if (fds[i] >= 0 && !outcomes[i].closed) {
                waiting.push_back(pollfd{fds[i], POLLIN, 0});
                index.append(i);
            }
        }
        if (waiting.empty() || ::poll(waiting.data(), waiting.size(), 100) < 0)
            break;
        for (size_t k = 0; k < waiting.size(); ++k) {
            if (!(waiting[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Outcome& outcome = outcomes[index[qsizetype(k)]];
            const ssize_t n = ::recv(waiting[k].fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                outcome.closed = true;
            else
                outcome.received.append(chunk, n);
        }
    }
    for (int fd : fds) {
        if (fd >= 0)
            ::close(fd);
    }
    return outcomes;
}

QFuture<QList<Outcome>> sendAll(quint16 port, QList<QByteArray> messages, Options options) {
    return QtConcurrent::run([port, messages, options] { return exchangeAll(port, messages, options); });
}

QFuture<Outcome> send(quint16 port, QByteArray bytes, Options options) {
    return QtConcurrent::run([port, bytes, options] { return exchange(port, bytes, options); });
}

} // namespace PhoneClient
