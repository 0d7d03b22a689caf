#include "support/JsonWriter.h"

#include <QTimeZone>

#include <charconv>
#include <cmath>

namespace {

const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

} // namespace

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasMember.isEmpty()) {
        if (m_hasMember.last())
            m_out += ',';
        m_hasMember.last() = true;
    }
}

JsonWriter& JsonWriter::beginObject() {
    separate();
    m_out += '{';
    m_hasMember.append(false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    m_out += '}';
    m_hasMember.removeLast();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    separate();
    m_out += '[';
    m_hasMember.append(false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    m_out += ']';
    m_hasMember.removeLast();
    return *this;
}

JsonWriter& JsonWriter::key(const QString& name) {
    separate();
    m_out += quoted(name);
    m_out += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(const QString& text) {
    separate();
    m_out += quoted(text);
    return *this;
}

JsonWriter& JsonWriter::value(const char* text) { return value(QString::fromUtf8(text)); }

JsonWriter& JsonWriter::value(bool flag) {
    separate();
    m_out += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(int number) { return value(qint64(number)); }

JsonWriter& JsonWriter::value(qint64 number) {
    separate();
    m_out += QByteArray::number(number);
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    separate();
    m_out += formatNumber(number);
    return *this;
}

JsonWriter& JsonWriter::value(const QDateTime& date) { return value(referenceSeconds(date)); }

JsonWriter& JsonWriter::value(const QUuid& uuid) { return value(uuid.toString(QUuid::WithoutBraces).toUpper()); }

JsonWriter& JsonWriter::value(const QStringList& texts) {
    beginArray();
    for (const QString& text : texts)
        value(text);
    return endArray();
}

JsonWriter& JsonWriter::null() {
    separate();
    m_out += "null";
    return *this;
}

double JsonWriter::referenceSeconds(const QDateTime& date) { return double(referenceDate().msecsTo(date)) / 1000.0; }

QDateTime JsonWriter::dateFromReferenceSeconds(double seconds) {
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

QByteArray JsonWriter::formatNumber(double number) {
    // JSON has no NaN or infinity; such a value is stored as zero rather than
    // making the whole file unreadable.
    if (!std::isfinite(number))
        return "0";
    if (std::trunc(number) == number && std::fabs(number) < 1e15)
        return QByteArray::number(qint64(number));
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return QByteArray(buffer, int(result.ptr - buffer));
}

QByteArray JsonWriter::quoted(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + utf8.size() / 8 + 2);
    out += '"';
    // Bytes that need no escape are copied in runs.
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            out.append(utf8.constData() + runStart, end - runStart);
    };
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const char* escape = nullptr;
        switch (c) {
        case '"':
            escape = "\\\"";
            break;
        case '\\':
            escape = "\\\\";
            break;
        case '/':
            escape = "\\/";
            break;
        case '\n':
            escape = "\\n";
            break;
        case '\r':
            escape = "\\r";
            break;
        case '\t':
            escape = "\\t";
            break;
        case '\b':
            escape = "\\b";
            break;
        case '\f':
            escape = "\\f";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                continue;
        }
        flushRun(i);
        runStart = i + 1;
        if (escape) {
            out += escape;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
            out += escaped;
        }
    }
    flushRun(utf8.size());
    out += '"';
    return out;
}
