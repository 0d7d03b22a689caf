#pragma once

#include "platform/Wording.h"

#include <optional>

// The Linux wording of texts written for another desktop: its settings
// places, package manager and file manager.
class LinuxWording : public Wording {
public:
    QString forDesktop(const QString& text) const override;

    // A key combination in the other desktop's glyphs ("⌃⌥D") as this
    // desktop writes it ("Ctrl+Alt+D"); none for any other text.
    static std::optional<QString> keyCombination(const QString& text);
};
