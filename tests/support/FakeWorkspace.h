#pragma once

#include "platform/Workspace.h"

#include <QHash>
#include <QWindow>

// A desktop whose frontmost application tests set directly, and which keeps
// the taskbar choice made for each window.
class FakeWorkspace : public Workspace {
public:
    std::optional<Application> frontmostApplication() override { return frontmost; }
    void setShownInTaskbar(QWindow& window, bool shown) override { inTaskbar.insert(&window, shown); }

    std::optional<Application> frontmost;
    QHash<const QWindow*, bool> inTaskbar;
};
