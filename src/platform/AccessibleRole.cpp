#include "platform/AccessibleRole.h"

QString toString(AccessibleRole role) {
    switch (role) {
    case AccessibleRole::TextField: return QStringLiteral("AXTextField");
    case AccessibleRole::TextArea: return QStringLiteral("AXTextArea");
    case AccessibleRole::ComboBox: return QStringLiteral("AXComboBox");
    case AccessibleRole::SecureTextField: return QStringLiteral("AXSecureTextField");
    case AccessibleRole::StaticText: return QStringLiteral("AXStaticText");
    case AccessibleRole::Group: return QStringLiteral("AXGroup");
    case AccessibleRole::Heading: return QStringLiteral("AXHeading");
    case AccessibleRole::Link: return QStringLiteral("AXLink");
    case AccessibleRole::Button: return QStringLiteral("AXButton");
    case AccessibleRole::WebArea: return QStringLiteral("AXWebArea");
    case AccessibleRole::Window: return QStringLiteral("AXWindow");
    case AccessibleRole::Unknown: break;
    }
    return QStringLiteral("AXUnknown");
}

std::optional<AccessibleRole> accessibleRoleFromString(const QString& text) {
    using enum AccessibleRole;
    for (const AccessibleRole role : {TextField, TextArea, ComboBox, SecureTextField, StaticText, Group, Heading, Link,
                                      Button, WebArea, Window, Unknown}) {
        if (text == toString(role))
            return role;
    }
    return std::nullopt;
}
