#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/Accessibility.h"
#include "platform/linux/AtspiRoles.h"

#include <memory>

class AtspiTextOffsets;

// One lookup of the element under the pointer and the walk over its
// neighbours that follows: after the first call that fails (an application
// that does not answer in time, or an element gone), every further read of the
// lookup's elements gives its empty result at once, so a hung application
// costs one time-out.
struct LookupGate {
    bool ended = false;
};

// Another application's element, its text offsets in UTF-16 units. Owns one
// reference to the library's element. GUI thread only.
class AtspiElement : public AccessibleElement {
public:
    // Takes over the reference `node`. `countsUtf16` tells the application's
    // toolkit counts UTF-16 units; `gate`, for an element of a lookup, ends the
    // lookup at its first failed call.
    AtspiElement(AtspiAccessible* node, bool countsUtf16, std::shared_ptr<AtspiTextOffsets> offsets,
                 std::shared_ptr<LookupGate> gate = nullptr);
    ~AtspiElement() override;

    std::optional<AccessibleRole> role() const override;
    bool hasText() const override;
    std::optional<qint64> textLength() const override;
    std::optional<QString> text(qint64 start, qint64 end) const override;
    std::optional<TextRange> selectedRange() const override;
    std::optional<QString> selectedText() const override;
    bool isSelectedRangeSettable() const override;
    bool isValueSettable() const override;
    // Toolkits mark a field that takes typing "editable"; a read-only one
    // keeps its text role without it.
    bool isReadOnly() const override;
    bool setSelectedRange(TextRange range) override;
    std::optional<QRect> boundsForRange(TextRange range) const override;
    std::shared_ptr<AccessibleElement> parent() const override;
    std::vector<std::shared_ptr<AccessibleElement>> children() const override;
    std::optional<AccessibleSubrole> subrole() const override;
    std::optional<QString> name() const override;
    std::optional<QString> value() const override;
    std::optional<QRect> frame() const override;
    std::optional<QUrl> url() const override;
    bool isSameElement(const AccessibleElement& other) const override;

private:
    AtspiText* textInterface() const { return atspi_accessible_get_text_iface(m_node); }
    bool ended() const { return m_gate && m_gate->ended; }
    // Frees the error and, for an element of a lookup, ends the lookup.
    bool check(GError*& error) const;
    std::optional<AtspiRoles::PortableKind> portable() const;

    AtspiAccessible* m_node;
    bool m_utf16;
    std::shared_ptr<AtspiTextOffsets> m_offsets;
    std::shared_ptr<LookupGate> m_gate;
};
