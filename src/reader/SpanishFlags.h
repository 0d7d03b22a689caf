#pragma once

#include <QList>
#include <QString>

// The flags of the countries where Spanish is spoken, as the voice picker's
// flag mosaic and magnifier show them.
namespace SpanishFlags {

struct Entry {
    QString flag; // two regional-indicator characters
    QString name; // the country's name shown under the flag
};

// The texts speak of 21 countries while the table holds 20 flags: the number
// belongs to the texts, not to the table.
inline constexpr long long kSpokenCountries = 21;

// The 20 entries, Mexico first, Puerto Rico last.
const QList<Entry>& table();
// The emoji of a two-letter region code ("MX" → 🇲🇽).
QString flagOf(const char (&region)[3]);

} // namespace SpanishFlags
