#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>

// An HTTPS server on 127.0.0.1 with a certificate made for the test run.
// Routes answer with a status, extra headers and a body; a stalling route
// sends its headers and the first bytes, then nothing more; a trickling route
// sends its body one byte at a time, never falling silent for long.
class HttpsFixture : public QObject {
public:
    struct Route {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Bytes of the body sent before the server falls silent; -1 sends all.
        qint64 stallAfter = -1;
        // When above zero, one byte of the body every so many milliseconds.
        int trickleMs = 0;
    };

    HttpsFixture() {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
                       "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                       m_dir.filePath("key.pem"), "-out", m_dir.filePath("cert.pem")});
        openssl.waitForFinished(20000);
        m_certificate = QSslCertificate::fromPath(m_dir.filePath("cert.pem")).value(0);
        QFile keyFile(m_dir.filePath("key.pem"));
        keyFile.open(QIODevice::ReadOnly);
        m_key = QSslKey(keyFile.readAll(), QSsl::Ec);

        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_certificate);
        config.setPrivateKey(m_key);
        m_server.setSslConfiguration(config);
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(static_cast<QSslSocket*>(socket));
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    bool ready() const { return m_server.isListening() && !m_certificate.isNull() && !m_key.isNull(); }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    // A client configuration that trusts this server's certificate only.
    QSslConfiguration clientConfiguration() const {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setCaCertificates({m_certificate});
        return config;
    }

    void route(const QString& path, const Route& route) { m_routes.insert(path, route); }
    int requests(const QString& path) const { return m_counts.value(path); }

private:
    void serve(QSslSocket* socket) {
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            const QString path = QString::fromUtf8(requestLine.value(1));
            buffer->clear();
            m_counts[path] += 1;
            const Route route = m_routes.value(path, Route{404, "missing", {}, -1});
            QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + " X\r\n";
            head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
            for (const auto& [name, value] : route.headers)
                head += name + ": " + value + "\r\n";
            head += "Connection: close\r\n\r\n";
            socket->write(head);
            if (route.trickleMs > 0) {
                trickle(socket, route.body, route.trickleMs);
                return;
            }
            if (route.stallAfter >= 0) {
                socket->write(route.body.left(route.stallAfter));
                return; // silent from here on; the client's stall timeout ends it
            }
            socket->write(route.body);
            socket->disconnectFromHost();
        });
    }

    static void trickle(QSslSocket* socket, const QByteArray& body, int everyMs) {
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, body, sent] {
            if (*sent >= body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        timer->start(everyMs);
    }

    QTemporaryDir m_dir;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QSslServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_counts;
};
