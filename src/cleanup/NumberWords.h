#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The English words of spoken numbers, lower case. Shared by the number pass and
// the spoken-address pass so that both read "eighty seven" the same way.
namespace NumberWords {

// "zero" … "nineteen" and the tens "twenty" … "ninety".
const QHash<QString, qint64>& units();
// "hundred" … "trillion".
const QHash<QString, qint64>& scales();
// The words of single digits, "oh" included: "zero"/"oh" … "nine".
const QHash<QString, int>& spelledDigits();
// An ordinal word ("first", "twentieth", "hundredth") → its cardinal word
// ("one", "twenty", "hundred").
const QHash<QString, QString>& ordinals();

bool isNumberWord(const QString& word);
// The written suffix of an ordinal number: 1 → "st", 12 → "th", 22 → "nd".
QString ordinalSuffix(qint64 number);

} // namespace NumberWords
