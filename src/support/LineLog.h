#pragma once

#include <QString>

// Appends lines to a plain-text log, private to the user (support/PrivateFiles),
// creating its folder on first use. Safe to
// call from any thread. With a size limit, a log that has reached it is renamed
// to "<name>.1" (replacing an older one) before the next line is written.
class LineLog {
public:
    explicit LineLog(QString path, qint64 rotateAtBytes = 0);

    QString path() const { return m_path; }
    // Writes `line` and a newline. Failures are swallowed: logs never stop the program.
    void append(const QString& line) const;
    // Writes "<ISO 8601 UTC time><separator><message>".
    void appendStamped(const QString& message, const QString& separator = QStringLiteral(" ")) const;

    // The time format the logs use, e.g. "2026-12-09T04:50:12Z".
    static QString timestamp();

private:
    QString m_path;
    qint64 m_rotateAtBytes;
};
