#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The sub-commands of quorvane-helper. Each returns the process exit status; the
// streams are passed in so the whole program can run inside a test.
namespace Helper {

struct Streams {
    // Reads standard input to its end, or stops after `limit` bytes.
    std::function<QByteArray(qint64 limit)> readInput;
    std::function<void(const QByteArray&)> writeOutput;
    std::function<void(const QByteArray&)> writeError;
    // Runs the event loop until the process is told to end; `key-watch` needs it.
    std::function<int()> runEventLoop = {};
};

// Longest transcript `clean` accepts, in user-perceived characters.
inline constexpr qsizetype maxTranscriptCharacters = 8000;
// Standard input is not read beyond this many bytes; more is "inputTooLong".
inline constexpr qint64 maxInputBytes = 1024 * 1024;

// Dispatches on the first argument (the program's own name already dropped).
int run(const QStringList& arguments, const Streams& streams);
// `run` over the process's own arguments, standard input, output and error.
int runProcess(int argc, char* argv[]);

// "available", or "unavailable:" and the model's reason.
QString availabilityString();
// `clean [--numbers words|smart|digits]`: tidies the transcript on standard input.
int runClean(const QStringList& arguments, const Streams& streams);
// `text` without one leading label such as "Cleaned transcript:", unless fewer
// than 2 characters would remain.
QString stripLeadingLabel(const QString& text);
// The fixed instruction text of `clean`.
const QString& cleanInstructions();

// The accessibility and key-watch sub-commands print raw values: global
// top-left coordinates and ranges in UTF-16 units, one compact JSON record per
// line with its keys in a fixed order. Any accessibility failure exits with 1
// and prints nothing; bad `sel-set` arguments exit with 64.
// The caret's rectangle (the selection's when there is one): {"x":…,"y":…,"w":…,"h":…}.
int runCaret(const Streams& streams);
// The selection: {"location":…,"length":…}.
int runSelGet(const Streams& streams);
// `sel-set <location> <length>`: sets the selection and checks it took; a
// range that does not lie within the text fails without being set.
int runSelSet(const QStringList& arguments, const Streams& streams);
// Prints "key <stored key code>" for every key press until the process ends;
// keys are only watched, never taken from the applications.
int runKeyWatch(const Streams& streams);

} // namespace Helper
