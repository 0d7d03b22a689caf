#include "engine/LoopbackExchange.h"

namespace LoopbackExchange {

namespace {

HttpAnswer failedTransport(const QString& why) {
    HttpAnswer answer;
    answer.transportFailed = true;
    answer.error = why;
    return answer;
}

HttpAnswer notHttp() {
    HttpAnswer answer;
    answer.error = QStringLiteral("The answer was not HTTP.");
    return answer;
}

HttpAnswer truncated() {
    return failedTransport(QStringLiteral("The connection closed before the whole answer arrived."));
}

// The body of a chunked answer once its last chunk has arrived.
std::optional<QByteArray> dechunked(const QByteArray& data, qsizetype position) {
    QByteArray body;
    for (;;) {
        const qsizetype lineEnd = data.indexOf("\r\n", position);
        if (lineEnd < 0)
            return std::nullopt;
        QByteArray sizeField = data.mid(position, lineEnd - position);
        if (const qsizetype extension = sizeField.indexOf(';'); extension >= 0)
            sizeField.truncate(extension);
        bool ok = false;
        const qlonglong size = sizeField.trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0)
            return std::nullopt;
        position = lineEnd + 2;
        if (size == 0) {
            // Trailers, if any, end with an empty line.
            const bool ended = data.mid(position).startsWith("\r\n") || data.indexOf("\r\n\r\n", position) >= 0;
            return ended ? std::optional<QByteArray>(body) : std::nullopt;
        }
        if (data.size() < position + size + 2)
            return std::nullopt;
        body += data.mid(position, size);
        position += size + 2;
    }
}

} // namespace

QByteArray requestBytes(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body) {
    const QUrl url = request.url();
    QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    if (path.isEmpty())
        path = "/";
    if (url.hasQuery())
        path += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray bytes = verb + ' ' + path + " HTTP/1.1\r\nHost: " + url.host(QUrl::FullyEncoded).toLatin1() + ':'
                       + QByteArray::number(url.port(80)) + "\r\n";
    for (const QByteArray& name : request.rawHeaderList()) {
        const QByteArray lower = name.toLower();
        if (lower == "host" || lower == "content-length" || lower == "connection")
            continue;
        bytes += name + ": " + request.rawHeader(name) + "\r\n";
    }
    if (!body.isEmpty() || verb == "POST" || verb == "PUT")
        bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    bytes += body;
    return bytes;
}

void AnswerReader::append(const QByteArray& bytes) { m_received += bytes; }

std::optional<HttpAnswer> AnswerReader::answer(bool closed) const {
    if (m_received.size() >= 5 && !m_received.startsWith("HTTP/"))
        return notHttp();
    // Interim answers (100 Continue) come before the real one.
    qsizetype start = 0;
    qsizetype headerEnd = -1;
    int status = -1;
    QList<QByteArray> lines;
    for (;;) {
        headerEnd = m_received.indexOf("\r\n\r\n", start);
        if (headerEnd < 0) {
            if (!closed)
                return std::nullopt;
            return m_received.isEmpty()
                       ? failedTransport(QStringLiteral("The server closed the connection without answering."))
                       : (start > 0 ? truncated() : notHttp());
        }
        lines = m_received.mid(start, headerEnd - start).split('\n');
        const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
        bool ok = false;
        status = statusLine.value(1).toInt(&ok);
        if (!statusLine.value(0).startsWith("HTTP/") || !ok || status < 100 || status > 999)
            return notHttp();
        if (status >= 200)
            break;
        start = headerEnd + 4;
    }

    std::optional<qlonglong> length;
    bool chunked = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || *length < 0)
                return notHttp();
        } else if (name == "transfer-encoding") {
            chunked = value.toLower().contains("chunked");
        }
    }

    HttpAnswer answer;
    answer.status = status;
    const qsizetype bodyStart = headerEnd + 4;
    if (m_headRequest || status == 204 || status == 304)
        return answer;
    if (chunked) {
        std::optional<QByteArray> body = dechunked(m_received, bodyStart);
        if (!body)
            return closed ? std::optional<HttpAnswer>(truncated()) : std::nullopt;
        answer.body = *body;
        return answer;
    }
    if (length) {
        if (m_received.size() - bodyStart < *length)
            return closed ? std::optional<HttpAnswer>(truncated()) : std::nullopt;
        answer.body = m_received.mid(bodyStart, *length);
        return answer;
    }
    if (!closed)
        return std::nullopt;
    answer.body = m_received.mid(bodyStart);
    return answer;
}

} // namespace LoopbackExchange
