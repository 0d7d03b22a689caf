#pragma once

#include <QIcon>

// The tray icon: our "tray-quor" art, drawn in the panel's text colour while
// idle (so it reads on light and dark panels) and in its own colours while
// recording; a microphone symbol when the art is missing.
namespace MenuBarIcon {

// The art from the resources, or a null icon when it cannot be loaded.
QIcon load(bool recording, bool dark);
// The art, or the symbol that stands in for it.
QIcon icon(bool recording, bool dark);

} // namespace MenuBarIcon
