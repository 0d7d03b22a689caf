#pragma once

#include "platform/Workspace.h"

// A desktop whose frontmost application tests set directly.
class FakeWorkspace : public Workspace {
public:
    std::optional<Application> frontmostApplication() override { return frontmost; }

    std::optional<Application> frontmost;
};
