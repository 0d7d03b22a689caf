#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <memory>

class PortLock;

// A scripted HTTP/1.1 server on 127.0.0.1 for tests: each request is answered
// by the handler registered for its method and path (else by the fallback, 404
// by default) and kept for inspection. Answers can be delayed, sent raw (not
// HTTP at all) or replaced by a dropped connection. One answer per connection.
// A fixed port is held with a PortLock while the server listens.
class LoopbackHttpServer : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path; // with the query, as sent
        QByteArray version;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;

        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };

    struct Response {
        int status = 200;
        QByteArray reason; // empty: the usual phrase for the status
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // When set, these bytes go out instead of an HTTP answer.
        QByteArray raw;
        // Close the connection without answering.
        bool drop = false;
        // Answer after this many milliseconds.
        int delayMs = 0;

        static Response json(const QByteArray& body, int status = 200);
        static Response bytes(const QByteArray& body, const QByteArray& contentType, int status = 200);
    };

    using Handler = std::function<Response(const Request&)>;

    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    // Listens on 127.0.0.1:`port` (0: any free port). False when the port is taken.
    bool listen(quint16 port = 0);
    void close();
    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString& path = {}) const;

    void on(const QByteArray& method, const QByteArray& path, Handler handler);
    void setFallback(Handler handler) { m_fallback = std::move(handler); }

    const QList<Request>& requests() const { return m_requests; }
    // Requests whose client closed the connection before the answer went out.
    int abandonedRequests() const { return m_abandoned; }

private:
    void serve(class QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);

    QTcpServer m_server;
    QHash<QByteArray, Handler> m_handlers; // "METHOD path"
    Handler m_fallback;
    QList<Request> m_requests;
    int m_abandoned = 0;
    std::unique_ptr<PortLock> m_portLock;
};
