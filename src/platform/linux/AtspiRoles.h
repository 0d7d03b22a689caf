#pragma once

// The role table: AT-SPI roles, and for generic containers the "xml-roles"
// attribute web content carries, onto the portable role and subrole names.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/Accessibility.h"

#include <QString>

#include <optional>

namespace AtspiRoles {

struct PortableKind {
    AccessibleRole role = AccessibleRole::Unknown;
    std::optional<AccessibleSubrole> subrole;
};

// Roles whose meaning hides in "xml-roles".
bool carriesXmlRoles(AtspiRole role);

PortableKind portableKind(AtspiRole role, bool multiLine, const QString& xmlRoles);

} // namespace AtspiRoles
