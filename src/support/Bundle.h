#pragma once

#include <QString>

// The program's own files (images, icons, the speech server script, texts):
// the installed share folder, or the build tree's resources when run from it.
namespace Bundle {

// The folder the resources are read from.
QString resourceFolder();
// The full path of resource `name` (e.g. "icons/mic.svg"), or an empty string
// when it does not exist.
QString resource(const QString& name);

} // namespace Bundle
