#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

struct _XDisplay;

// Reads window properties. Windows and atoms are Xlib's XIDs (unsigned long),
// so that this header pulls in no Xlib macros.
namespace X11Property {

// The 32-bit items (CARDINAL, WINDOW, ATOM…) of `window`'s property `name`, at
// most `maxItems` of them; none when the window lacks the property or it has
// another type.
std::optional<QList<unsigned long>> longs(_XDisplay* display, unsigned long window, const char* name,
                                          unsigned long type, long maxItems = 1 << 16);
// A CARDINAL property of exactly one item.
std::optional<unsigned long> cardinal(_XDisplay* display, unsigned long window, const char* name);
// A WINDOW property's first window; 0 when there is none.
unsigned long window(_XDisplay* display, unsigned long window, const char* name);
// An 8-bit text property (UTF8_STRING, STRING) as its bytes; empty when missing.
QByteArray text(_XDisplay* display, unsigned long window, const char* name, unsigned long type);

} // namespace X11Property
