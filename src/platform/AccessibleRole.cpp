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
    case AccessibleRole::List: return QStringLiteral("AXList");
    case AccessibleRole::Outline: return QStringLiteral("AXOutline");
    case AccessibleRole::Table: return QStringLiteral("AXTable");
    case AccessibleRole::Toolbar: return QStringLiteral("AXToolbar");
    case AccessibleRole::TabGroup: return QStringLiteral("AXTabGroup");
    case AccessibleRole::Menu: return QStringLiteral("AXMenu");
    case AccessibleRole::MenuBar: return QStringLiteral("AXMenuBar");
    case AccessibleRole::MenuItem: return QStringLiteral("AXMenuItem");
    case AccessibleRole::RadioGroup: return QStringLiteral("AXRadioGroup");
    case AccessibleRole::ScrollBar: return QStringLiteral("AXScrollBar");
    case AccessibleRole::Browser: return QStringLiteral("AXBrowser");
    case AccessibleRole::SplitGroup: return QStringLiteral("AXSplitGroup");
    case AccessibleRole::CheckBox: return QStringLiteral("AXCheckBox");
    case AccessibleRole::RadioButton: return QStringLiteral("AXRadioButton");
    case AccessibleRole::PopUpButton: return QStringLiteral("AXPopUpButton");
    case AccessibleRole::MenuButton: return QStringLiteral("AXMenuButton");
    case AccessibleRole::DisclosureTriangle: return QStringLiteral("AXDisclosureTriangle");
    case AccessibleRole::Slider: return QStringLiteral("AXSlider");
    case AccessibleRole::Incrementor: return QStringLiteral("AXIncrementor");
    case AccessibleRole::Application: return QStringLiteral("AXApplication");
    case AccessibleRole::Unknown: break;
    }
    return QStringLiteral("AXUnknown");
}
