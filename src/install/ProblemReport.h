#pragma once

#include "looks/Alert.h"

#include <QString>
#include <QUrl>

class ModeStore;

// A pre-filled problem report by e-mail. GUI thread.
namespace ProblemReport {

// What the details block tells about the computer and the program.
struct Facts {
    QString version;
    QString build;
    QString system;
    QString chip;
    bool engineRunning = false;
    QString mode;
};

// The facts of the running program, whose modes `modes` holds.
Facts currentFacts(const ModeStore& modes);

// Five lines, each label padded to 10 characters, no line feed at the end.
QString details(const Facts& facts);
QString details(const ModeStore& modes);

// The processor's name from /proc/cpuinfo text ("model name", else
// "Hardware" or "cpu model"); "unknown" when it holds none.
QString chipFromCpuInfo(const QString& cpuInfo);

// The "mailto:" address of a report with `details` under the questions.
QUrl mailUrl(const QString& details);

// The report as a message to copy where no mail program takes it: the
// address, the subject and the body, each on lines of their own.
QString messageText(const QString& details);

// Opens a new message in the mail program; when none takes it, the whole
// report with the support address goes to the clipboard, and an alert through
// `present` says so and names the address.
void open(const ModeStore& modes, const AlertPresenter& present);

} // namespace ProblemReport
