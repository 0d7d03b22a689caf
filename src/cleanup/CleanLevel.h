#pragma once

#include <QString>

// How hard a dictation is cleaned: "off" inserts the transcript with numbers
// written and spacing fixed only, "balanced" removes fillers and fixes
// punctuation, "aggressive" also lets the model polish the wording.
enum class CleanLevel { Off, Balanced, Aggressive };

QString toString(CleanLevel level);
// Any text other than "off" and "aggressive" is "balanced".
CleanLevel cleanLevelFromString(const QString& text);
