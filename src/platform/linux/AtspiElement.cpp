// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiElement.h"

#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiTextOffsets.h"
#include "platform/linux/AtspiUnitText.h"

#include <QUrl>

using AtspiCalls::failed;
using AtspiCalls::keyOf;
using AtspiCalls::States;
using AtspiCalls::takeString;
using AtspiRoles::carriesXmlRoles;
using AtspiRoles::PortableKind;
using AtspiRoles::portableKind;

AtspiElement::AtspiElement(AtspiAccessible* node, bool countsUtf16, std::shared_ptr<AtspiTextOffsets> offsets,
                           std::shared_ptr<LookupGate> gate)
    : m_node(node), m_utf16(countsUtf16), m_offsets(std::move(offsets)), m_gate(std::move(gate)) {}

AtspiElement::~AtspiElement() { g_object_unref(m_node); }

std::optional<AccessibleRole> AtspiElement::role() const {
    const std::optional<PortableKind> kind = portable();
    return kind ? std::optional(kind->role) : std::nullopt;
}

bool AtspiElement::hasText() const { return bool(GObjectRef<AtspiText>(textInterface())); }

std::optional<qint64> AtspiElement::textLength() const { return AtspiUnitText(m_node, m_utf16, *m_offsets).length(); }

std::optional<QString> AtspiElement::text(qint64 start, qint64 end) const {
    return AtspiUnitText(m_node, m_utf16, *m_offsets).slice(start, end);
}

std::optional<AccessibleElement::TextRange> AtspiElement::selectedRange() const {
    return AtspiUnitText(m_node, m_utf16, *m_offsets).selectedRange();
}

std::optional<QString> AtspiElement::selectedText() const {
    const std::optional<TextRange> range = selectedRange();
    if (!range)
        return std::nullopt;
    return text(range->location, range->location + range->length);
}

bool AtspiElement::isSelectedRangeSettable() const {
    if (!hasText())
        return false;
    const States states(m_node);
    return states.has(ATSPI_STATE_EDITABLE) || states.has(ATSPI_STATE_SELECTABLE_TEXT)
           || states.has(ATSPI_STATE_FOCUSABLE);
}

bool AtspiElement::isValueSettable() const {
    GObjectRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(m_node));
    return editable && States(m_node).has(ATSPI_STATE_EDITABLE);
}

bool AtspiElement::isReadOnly() const {
    const States states(m_node);
    return states.has(ATSPI_STATE_READ_ONLY) || !states.has(ATSPI_STATE_EDITABLE);
}

bool AtspiElement::setSelectedRange(TextRange range) {
    return AtspiUnitText(m_node, m_utf16, *m_offsets).setSelectedRange(range);
}

std::optional<QRect> AtspiElement::boundsForRange(TextRange range) const {
    return AtspiUnitText(m_node, m_utf16, *m_offsets).boundsForRange(range);
}

std::shared_ptr<AccessibleElement> AtspiElement::parent() const {
    if (ended())
        return nullptr;
    GError* error = nullptr;
    AtspiAccessible* parent = atspi_accessible_get_parent(m_node, &error);
    if (check(error) || !parent)
        return nullptr;
    return std::make_shared<AtspiElement>(parent, m_utf16, m_offsets, m_gate);
}

std::vector<std::shared_ptr<AccessibleElement>> AtspiElement::children() const {
    std::vector<std::shared_ptr<AccessibleElement>> found;
    if (ended())
        return found;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(m_node, &error);
    if (check(error))
        return found;
    for (gint i = 0; i < count && !ended(); ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(m_node, i, &error);
        if (check(error))
            break;
        if (child)
            found.push_back(std::make_shared<AtspiElement>(child, m_utf16, m_offsets, m_gate));
    }
    return found;
}

std::optional<AccessibleSubrole> AtspiElement::subrole() const {
    const std::optional<PortableKind> kind = portable();
    return kind ? kind->subrole : std::nullopt;
}

std::optional<QString> AtspiElement::name() const {
    if (ended())
        return std::nullopt;
    GError* error = nullptr;
    gchar* name = atspi_accessible_get_name(m_node, &error);
    if (check(error))
        return std::nullopt;
    QString text = takeString(name);
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

std::optional<QString> AtspiElement::value() const {
    if (ended())
        return std::nullopt;
    GObjectRef<AtspiText> text(textInterface());
    if (!text)
        return std::nullopt;
    GError* error = nullptr;
    const gint count = atspi_text_get_character_count(text.get(), &error);
    if (check(error))
        return std::nullopt;
    gchar* whole = atspi_text_get_text(text.get(), 0, count, &error);
    if (check(error))
        return std::nullopt;
    return takeString(whole);
}

std::optional<QRect> AtspiElement::frame() const {
    if (ended())
        return std::nullopt;
    GObjectRef<AtspiComponent> component(atspi_accessible_get_component_iface(m_node));
    if (!component)
        return std::nullopt;
    GError* error = nullptr;
    AtspiRect* rect = atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
    if (check(error) || !rect)
        return std::nullopt;
    const QRect frame(rect->x, rect->y, rect->width, rect->height);
    g_free(rect);
    return frame;
}

std::optional<QUrl> AtspiElement::url() const {
    if (ended())
        return std::nullopt;
    GObjectRef<AtspiHyperlink> link(atspi_accessible_get_hyperlink(m_node));
    if (!link)
        return std::nullopt;
    GError* error = nullptr;
    const QString uri = takeString(atspi_hyperlink_get_uri(link.get(), 0, &error));
    if (check(error) || uri.isEmpty())
        return std::nullopt;
    return QUrl(uri);
}

bool AtspiElement::isSameElement(const AccessibleElement& other) const {
    const auto* element = dynamic_cast<const AtspiElement*>(&other);
    if (!element)
        return false;
    const QString key = keyOf(m_node);
    return element->m_node == m_node || (!key.isEmpty() && key == keyOf(element->m_node));
}

bool AtspiElement::check(GError*& error) const {
    if (!failed(error))
        return false;
    if (m_gate)
        m_gate->ended = true;
    return true;
}

std::optional<PortableKind> AtspiElement::portable() const {
    if (ended())
        return std::nullopt;
    GError* error = nullptr;
    const AtspiRole role = atspi_accessible_get_role(m_node, &error);
    if (check(error))
        return std::nullopt;
    bool multiLine = false;
    if (role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_DOCUMENT_TEXT || role == ATSPI_ROLE_TERMINAL)
        multiLine = States(m_node).has(ATSPI_STATE_MULTI_LINE);
    QString xmlRoles;
    if (carriesXmlRoles(role)) {
        GHashTable* attributes = atspi_accessible_get_attributes(m_node, &error);
        if (check(error))
            return std::nullopt;
        if (attributes) {
            xmlRoles = QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(attributes, "xml-roles")));
            g_hash_table_unref(attributes);
        }
    }
    return portableKind(role, multiLine, xmlRoles);
}
