#pragma once

#include <QString>

#include <optional>

// The pieces the self-update is built from: the running version, the rule
// that compares dotted versions, and the receipt the last install attempt
// leaves behind. No state; every function runs on the caller's thread.
namespace Updater {

// The receipt's status texts.
inline constexpr const char* kStatusOk = "ok";
inline constexpr const char* kStatusBlocked = "blocked";
inline constexpr const char* kStatusRestored = "restored";

// The outcome of the last install attempt, as read from the receipt file.
struct Receipt {
    QString status;
    QString version;
    QString detail;

    bool operator==(const Receipt&) const = default;
};

// The running version: the install folder's marker when the program runs
// from one, else the version the build was made with; "0" when neither is
// a usable text.
QString currentVersion();

// True when `a` is strictly higher than `b`, comparing the dot-separated
// pieces as signed 64-bit numbers (a piece that is not one counts as 0).
bool isNewer(const QString& a, const QString& b);

// The receipt file: Application Support/"Quorvane"/"last-update.txt".
QString receiptPath();

// Parses receipt text; none when it has fewer than two lines.
std::optional<Receipt> parseReceipt(const QString& text);

// The last attempt, or none when the file is missing, unreadable or short.
std::optional<Receipt> lastAttempt();

// Replaces the receipt atomically; failures are ignored (nothing to tell).
void writeReceipt(const QString& status, const QString& version, const QString& detail);

// Deletes the receipt; a missing file is fine.
void clearReceipt();

} // namespace Updater
