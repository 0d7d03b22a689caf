#pragma once

#include <QString>

// Texts that send the user to a place, control or key of another desktop have a
// Linux wording; every such text passes through here before it is shown or spoken.
namespace Wording {

// The Linux wording of `text`, or `text` itself when it needs none.
QString forLinux(const QString& text);

} // namespace Wording
