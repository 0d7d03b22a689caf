#pragma once

#include <QString>

// The way a clean-up went: "quick" (rules over a few words), "apple-intelligence"
// (the on-device model through the helper), "local-llm" (the local model server)
// or "regex" (the rules alone, when no model answered or was used).
enum class CleanupWay { Quick, AppleIntelligence, LocalLlm, Regex };

QString toString(CleanupWay way);
