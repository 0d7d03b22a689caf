#pragma once

#include <QString>

// The role of another application's element in the portable names the logic
// compares against, whatever the desktop's accessibility layer calls it. Each
// has a raw text ("AXTextField", "AXTextArea", …) for traces and tests.
enum class AccessibleRole {
    TextField,
    TextArea,
    ComboBox,
    SecureTextField,
    StaticText,
    Group,
    Heading,
    Link,
    Button,
    WebArea,
    Window,
    // Navigation, collections and controls, which hover reading tells apart
    // from prose.
    List,
    Outline,
    Table,
    Toolbar,
    TabGroup,
    Menu,
    MenuBar,
    MenuItem,
    RadioGroup,
    ScrollBar,
    Browser,
    SplitGroup,
    CheckBox,
    RadioButton,
    PopUpButton,
    MenuButton,
    DisclosureTriangle,
    Slider,
    Incrementor,
    Application,
    Unknown,
};

QString toString(AccessibleRole role);
