// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiRoles.h"

#include <QHash>

namespace AtspiRoles {

namespace {

std::optional<PortableKind> kindFromXmlRoles(const QString& xmlRoles) {
    using enum AccessibleRole;
    using Sub = AccessibleSubrole;
    static const QHash<QString, PortableKind> table{
        {QStringLiteral("navigation"), {Group, Sub::LandmarkNavigation}},
        {QStringLiteral("banner"), {Group, Sub::LandmarkBanner}},
        {QStringLiteral("complementary"), {Group, Sub::LandmarkComplementary}},
        {QStringLiteral("main"), {Group, Sub::LandmarkMain}},
        {QStringLiteral("list"), {List, std::nullopt}},
        {QStringLiteral("menu"), {Menu, std::nullopt}},
        {QStringLiteral("menubar"), {MenuBar, std::nullopt}},
        {QStringLiteral("toolbar"), {Toolbar, std::nullopt}},
        {QStringLiteral("tablist"), {TabGroup, std::nullopt}},
        {QStringLiteral("radiogroup"), {RadioGroup, std::nullopt}},
        {QStringLiteral("tree"), {Outline, std::nullopt}},
        {QStringLiteral("table"), {Table, std::nullopt}},
        {QStringLiteral("grid"), {Table, std::nullopt}},
    };
    // A space-separated list, the most specific first.
    for (const QString& name : xmlRoles.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto found = table.constFind(name);
        if (found != table.cend())
            return *found;
    }
    return std::nullopt;
}

} // namespace

bool carriesXmlRoles(AtspiRole role) {
    switch (role) {
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_GROUPING:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_FORM:
        return true;
    default:
        return false;
    }
}

PortableKind portableKind(AtspiRole role, bool multiLine, const QString& xmlRoles) {
    using enum AccessibleRole;
    if (carriesXmlRoles(role)) {
        if (const std::optional<PortableKind> kind = kindFromXmlRoles(xmlRoles))
            return *kind;
    }
    switch (role) {
    case ATSPI_ROLE_PASSWORD_TEXT:
        return {SecureTextField, std::nullopt};
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_SPIN_BUTTON:
        return {TextField, std::nullopt};
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_TERMINAL:
        return {multiLine ? TextArea : TextField, std::nullopt};
    case ATSPI_ROLE_COMBO_BOX:
        return {ComboBox, std::nullopt};
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
        return {StaticText, std::nullopt};
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_GROUPING:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_FORM:
        return {Group, std::nullopt};
    case ATSPI_ROLE_HEADING:
        return {Heading, std::nullopt};
    case ATSPI_ROLE_LINK:
        return {Link, std::nullopt};
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
        return {Button, std::nullopt};
    case ATSPI_ROLE_PUSH_BUTTON_MENU:
        return {MenuButton, std::nullopt};
    case ATSPI_ROLE_DOCUMENT_WEB:
        return {WebArea, std::nullopt};
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
        return {Window, std::nullopt};
    case ATSPI_ROLE_APPLICATION:
        return {Application, std::nullopt};
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return {List, std::nullopt};
    case ATSPI_ROLE_DESCRIPTION_LIST:
        return {List, AccessibleSubrole::ContentList};
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_TREE_TABLE:
        return {Outline, std::nullopt};
    case ATSPI_ROLE_TABLE:
        return {Table, std::nullopt};
    case ATSPI_ROLE_TOOL_BAR:
        return {Toolbar, std::nullopt};
    case ATSPI_ROLE_PAGE_TAB_LIST:
        return {TabGroup, std::nullopt};
    case ATSPI_ROLE_PAGE_TAB:
        return {RadioButton, AccessibleSubrole::TabButton};
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
        return {Menu, std::nullopt};
    case ATSPI_ROLE_MENU_BAR:
        return {MenuBar, std::nullopt};
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
        return {MenuItem, std::nullopt};
    case ATSPI_ROLE_SCROLL_BAR:
        return {ScrollBar, std::nullopt};
    case ATSPI_ROLE_SPLIT_PANE:
        return {SplitGroup, std::nullopt};
    case ATSPI_ROLE_CHECK_BOX:
        return {CheckBox, std::nullopt};
    case ATSPI_ROLE_RADIO_BUTTON:
        return {RadioButton, std::nullopt};
    case ATSPI_ROLE_SLIDER:
        return {Slider, std::nullopt};
    default:
        return {Unknown, std::nullopt};
    }
}

} // namespace AtspiRoles
