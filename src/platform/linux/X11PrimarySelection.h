#pragma once

#include "platform/PrimarySelection.h"

// The X11 PRIMARY selection: its text through Qt's clipboard, its owner's
// process through the X-Resource extension, which asks the X server which
// client created the owner window (no window property to trust).
class X11PrimarySelection : public PrimarySelection {
public:
    QFuture<std::optional<Owned>> read() override;
};
