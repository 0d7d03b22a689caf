#pragma once

#include <QString>

// What the floating bubble shows.
enum class BubbleMode { Hidden, Listening, Thinking, Result, Flash };

// The mode's name in traces and results: "hidden", "listening", "thinking",
// "result" or "flash".
QString toString(BubbleMode mode);
