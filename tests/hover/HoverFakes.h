#pragma once

#include "platform/Accessibility.h"
#include "support/FakeAccessibility.h"

#include <map>
#include <utility>

// One element of a fake user-interface tree: a role, texts, a frame and its
// place among parent and children, each set directly. Counts child reads so
// that tests see whether a text was gathered again.
class TreeElement : public AccessibleElement, public std::enable_shared_from_this<TreeElement> {
public:
    static std::shared_ptr<TreeElement> make(std::optional<AccessibleRole> role,
                                             std::optional<QString> value = std::nullopt) {
        auto element = std::make_shared<TreeElement>();
        element->elementRole = role;
        element->elementValue = std::move(value);
        return element;
    }
    // Adds `child` below this element and answers it.
    std::shared_ptr<TreeElement> add(std::shared_ptr<TreeElement> child) {
        child->m_parent = weak_from_this();
        m_children.push_back(child);
        return child;
    }

    std::optional<AccessibleRole> role() const override { return elementRole; }
    std::optional<AccessibleSubrole> subrole() const override { return elementSubrole; }
    std::optional<QString> name() const override { return elementName; }
    std::optional<QString> value() const override { return elementValue; }
    std::optional<QRect> frame() const override { return elementFrame; }
    std::optional<QUrl> url() const override { return elementUrl; }
    std::shared_ptr<AccessibleElement> parent() const override { return m_parent.lock(); }
    std::vector<std::shared_ptr<AccessibleElement>> children() const override {
        ++childReads;
        return {m_children.begin(), m_children.end()};
    }

    bool hasText() const override { return elementValue.has_value(); }
    std::optional<QString> text(qint64, qint64) const override { return std::nullopt; }
    std::optional<qint64> textLength() const override { return std::nullopt; }
    std::optional<TextRange> selectedRange() const override { return std::nullopt; }
    std::optional<QString> selectedText() const override { return std::nullopt; }
    bool isSelectedRangeSettable() const override { return false; }
    bool isValueSettable() const override { return false; }
    bool setSelectedRange(TextRange) override { return false; }
    std::optional<QRect> boundsForRange(TextRange) const override { return std::nullopt; }

    std::optional<AccessibleRole> elementRole;
    std::optional<AccessibleSubrole> elementSubrole;
    std::optional<QString> elementName;
    std::optional<QString> elementValue;
    std::optional<QRect> elementFrame;
    std::optional<QUrl> elementUrl;
    mutable int childReads = 0;

private:
    std::weak_ptr<TreeElement> m_parent;
    std::vector<std::shared_ptr<TreeElement>> m_children;
};

// The accessibility fake with a settable element under each point.
class TreeAccessibility : public FakeAccessibility {
public:
    std::shared_ptr<AccessibleElement> elementAt(QPoint point) override {
        ++lookups;
        const auto found = at.find({point.x(), point.y()});
        return found != at.end() ? found->second : hit;
    }

    // The element at every point not listed in `at`.
    std::shared_ptr<AccessibleElement> hit;
    std::map<std::pair<int, int>, std::shared_ptr<AccessibleElement>> at;
    int lookups = 0;
};
