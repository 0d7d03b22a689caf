#pragma once

#include "platform/Wording.h"

// The Linux wording of texts written for another desktop: its settings
// places, package manager and file manager.
class LinuxWording : public Wording {
public:
    QString forDesktop(const QString& text) const override;
};
