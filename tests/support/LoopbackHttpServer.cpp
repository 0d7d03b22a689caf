#include "support/LoopbackHttpServer.h"

#include "support/PortLock.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

QByteArray reasonFor(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 422:
        return "Unprocessable Entity";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

LoopbackHttpServer::Response LoopbackHttpServer::Response::json(const QByteArray& body, int status) {
    return bytes(body, "application/json", status);
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::bytes(const QByteArray& body, const QByteArray& contentType,
                                                                 int status) {
    Response response;
    response.status = status;
    response.body = body;
    response.headers.append({"Content-Type", contentType});
    return response;
}

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent) {
    m_fallback = [](const Request&) { return Response::bytes("not found", "text/plain", 404); };
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

LoopbackHttpServer::~LoopbackHttpServer() = default;

bool LoopbackHttpServer::listen(quint16 port) {
    if (port != 0 && !m_portLock)
        m_portLock = std::make_unique<PortLock>(port);
    return m_server.listen(QHostAddress::LocalHost, port);
}

void LoopbackHttpServer::close() { m_server.close(); }

QUrl LoopbackHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(port()).arg(path));
}

void LoopbackHttpServer::on(const QByteArray& method, const QByteArray& path, Handler handler) {
    m_handlers.insert(method + ' ' + path, std::move(handler));
}

void LoopbackHttpServer::serve(QTcpSocket* socket) {
    socket->setParent(this);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
        const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
        request.method = start.value(0);
        request.path = start.value(1);
        request.version = start.value(2);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.header("content-length").toLongLong();
        if (buffer->size() < headerEnd + 4 + length)
            return;
        request.body = buffer->mid(headerEnd + 4, length);
        buffer->clear();
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        m_requests.append(request);
        answer(socket, request);
    });
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const Request& request) {
    const Handler& handler = m_handlers.contains(request.method + ' ' + request.path)
                                 ? m_handlers[request.method + ' ' + request.path]
                                 : m_fallback;
    const Response response = handler(request);
    auto answered = std::make_shared<bool>(false);
    connect(socket, &QTcpSocket::disconnected, this, [this, answered] {
        if (!*answered)
            ++m_abandoned;
    });
    QTimer::singleShot(response.delayMs, socket, [socket, response, answered] {
        *answered = true;
        if (response.drop) {
            socket->abort();
            return;
        }
        QByteArray out = response.raw;
        if (out.isEmpty()) {
            out = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
                  + (response.reason.isEmpty() ? reasonFor(response.status) : response.reason) + "\r\n";
            for (const auto& [name, value] : response.headers)
                out += name + ": " + value + "\r\n";
            out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
            out += response.body;
        }
        socket->write(out);
        socket->disconnectFromHost();
    });
}
