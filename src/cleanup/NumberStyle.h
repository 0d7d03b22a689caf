#pragma once

#include <QString>

// How spoken numbers are written: "words" keeps them (joining only long runs of
// spelled digits), "smart" writes digits where a decimal point, a percent sign or
// a unit makes the meaning clear, "digits" writes every unambiguous number.
enum class NumberStyle { Words, Smart, Digits };

QString toString(NumberStyle style);
// Any text other than "words" and "digits" is "smart".
NumberStyle numberStyleFromString(const QString& text);
