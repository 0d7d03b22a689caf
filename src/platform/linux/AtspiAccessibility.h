#pragma once

#include "platform/Accessibility.h"

class Workspace;

// Other applications' elements through AT-SPI. Trust means the accessibility
// bus answers and is enabled; asking for trust enables it. Offsets are turned
// into UTF-16 units for toolkits that count code points (all but Qt).
class AtspiAccessibility : public Accessibility {
public:
    // `workspace` names the frontmost application whose focus is looked up.
    explicit AtspiAccessibility(Workspace* workspace);

    bool isTrusted() override;
    bool requestTrust() override;
    std::shared_ptr<AccessibleElement> focusedElement() override;
    std::optional<QRect> focusedWindowFrame(qint64 pid) override;

private:
    Workspace* m_workspace;
};
