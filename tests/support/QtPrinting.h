#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

// Lets GoogleTest show Qt texts in failure messages as text rather than bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '[' << texts.join(QStringLiteral("\", \"")).prepend('"').append('"').toStdString() << ']';
}
