#pragma once

#include <QString>

// Speaks user-visible messages to assistive technology.
namespace Announce {

// Trims whitespace and newlines; an empty message is not announced. An
// interrupting message is spoken at high priority, others at medium. The
// announcement belongs to the window that has focus, else to the application.
void say(const QString& text, bool interrupting);

} // namespace Announce
