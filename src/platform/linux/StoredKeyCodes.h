#pragma once

#include <QtGlobal>

#include <optional>

// The stored virtual key codes are positions on the keyboard; the kernel's
// input codes (evdev) are positions too, and an X key code is the evdev code
// plus 8. This table maps between them.
namespace StoredKeyCodes {

std::optional<quint32> toX11(quint32 keyCode);
std::optional<quint32> fromX11(quint32 x11KeyCode);

} // namespace StoredKeyCodes
