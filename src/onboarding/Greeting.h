#pragma once

#include <QString>

// The name by which the program addresses the user.
namespace Greeting {

// `typed` without the spaces and tabs around it (line breaks stay) when
// anything is left; else the first space-separated word of the account's full
// name; else "there".
QString displayName(const QString& typed, const QString& account);

} // namespace Greeting
