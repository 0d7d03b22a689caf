#pragma once

#include <QString>

#include <optional>

// The way a clean-up went: "quick" (rules over a few words), "apple-intelligence"
// (the on-device model through the helper), "local-llm" (the local model server)
// or "regex" (the rules alone, when no model answered or was used).
enum class CleanupWay { Quick, AppleIntelligence, LocalLlm, Regex };

QString toString(CleanupWay way);
// Nothing for a text that names no way.
std::optional<CleanupWay> cleanupWayFromString(const QString& text);
