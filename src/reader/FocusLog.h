#pragma once

#include <QDateTime>
#include <QString>

class Defaults;

// A diagnostic log of keyboard focus inside our own windows
// ("Quorvane-focus.log" in the logs folder), written only while the setting
// "focusLogging" is on; off, it creates nothing. Each record is two lines: the
// time and the caller's text, then the class of the widget holding the focus.
// File errors are ignored. GUI thread only.
namespace FocusLog {

inline constexpr char kSettingKey[] = "focusLogging";

QString filePath();
// The two-line record: ISO 8601 time, two blanks, `text`, a newline, twelve
// blanks, "firstResponder=" and `firstResponder` ("none" when empty), a newline.
QString record(const QDateTime& time, const QString& text, const QString& firstResponder);
// The class name of QApplication::focusWidget(), or "none".
QString firstResponder();

void note(const QString& text);
void note(const QString& text, const Defaults& defaults, const QString& path);

} // namespace FocusLog
