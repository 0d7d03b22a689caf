#pragma once

#include <QIcon>

// The tray icon: our "tray-quor" art, drawn in the panel's text colour while
// idle (white on a dark panel, near-black on a light one) and in its own
// colours while recording; a microphone symbol when the art is missing.
namespace MenuBarIcon {

// The art from the resources, or a null icon when it cannot be loaded.
QIcon load(bool recording, bool darkPanel);
// The art, or the symbol that stands in for it.
QIcon icon(bool recording, bool darkPanel);

} // namespace MenuBarIcon
