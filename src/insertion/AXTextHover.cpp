// The readable block under the pointer: the hover-reading side of AXText.
#include "insertion/AXText.h"

#include "platform/Platform.h"
#include "platform/PointerWatch.h"
#include "platform/Workspace.h"
#include "support/Defaults.h"
#include "support/LineLog.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <array>

namespace AXText {

namespace {

using enum AccessibleRole;

constexpr std::array kNotProseRoles{List,    Outline,  Table,      Toolbar,   TabGroup, Menu,
                                    MenuBar, MenuItem, RadioGroup, ScrollBar, Browser,  SplitGroup};
constexpr std::array kNotProseSubroles{AccessibleSubrole::LandmarkNavigation, AccessibleSubrole::LandmarkBanner,
                                       AccessibleSubrole::LandmarkComplementary, AccessibleSubrole::ContentList,
                                       AccessibleSubrole::TabButton};
constexpr std::array kOwnClickRoles{Link,     Button,     CheckBox,           RadioButton, PopUpButton,
                                    MenuItem, MenuButton, DisclosureTriangle, Slider,      Incrementor,
                                    ComboBox, TextField,  SecureTextField};

template <typename Set, typename Value> bool contains(const Set& set, const std::optional<Value>& value) {
    return value && std::find(set.begin(), set.end(), *value) != set.end();
}

// The block chosen last and its gathered text; lives for the process.
struct BlockCache {
    Element block;
    QString text;
};

BlockCache& blockCache() {
    static BlockCache cache;
    return cache;
}

qsizetype characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

QString roleText(const Element& element) {
    const std::optional<AccessibleRole> role = element ? element->role() : std::nullopt;
    return role ? toString(*role) : QString();
}

void hoverTrace(const QString& line) {
    if (!Defaults::shared().boolOr(QString::fromLatin1(kHoverTraceKey), false))
        return;
    QString application = QStringLiteral("?");
    if (Workspace* workspace = Platform::current().workspace) {
        const std::optional<Workspace::Application> front = workspace->frontmostApplication();
        if (front && !front->name.isEmpty())
            application = front->name;
    }
    const QString path = QDir(Paths::applicationSupport()).filePath(QString::fromLatin1(kHoverTraceFile));
    QFile file(path);
    if (!PrivateFiles::open(file, QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(
        (LineLog::timestamp() + QStringLiteral("  [") + application + QStringLiteral("] ") + line + QLatin1Char('\n'))
            .toUtf8());
}

QString listTrace(const QString& start, const QString& role, qsizetype count) {
    return start + role + QLatin1Char(' ') + QString::number(count)
           + QStringLiteral(" chars but no line over %1, reads like a list").arg(kProseLineCharacters);
}

void collectText(const Element& element, QStringList& parts, qsizetype budget) {
    if (parts.size() >= budget)
        return;
    if (element->role() == StaticText) {
        std::optional<QString> piece = element->value();
        if (!piece)
            piece = element->name();
        if (piece && !piece->isEmpty())
            parts << *piece;
    }
    for (const Element& child : element->children()) {
        if (parts.size() >= budget)
            break;
        if (child)
            collectText(child, parts, budget);
    }
}

QString aggregatedText(const Element& element) {
    if (const std::optional<QString> value = element->value()) {
        const QString trimmed = value->trimmed();
        if (characterCount(trimmed) >= kTrustedValueCharacters)
            return trimmed;
    }
    QStringList parts;
    collectText(element, parts, kTextPieceBudget);
    return parts.join(QLatin1Char(' ')).trimmed();
}

// The enclosing text area or web area, at most six elements up; else the element itself.
Element blockElement(const Element& start) {
    Element current = start;
    for (int looked = 1; current; ++looked) {
        const std::optional<AccessibleRole> role = current->role();
        if (role == TextArea || role == WebArea)
            return current;
        if (role == Window || role == Application || looked >= kBlockClimb)
            return start;
        current = current->parent();
    }
    return start;
}

// The nearest element holding a paragraph of prose, at most three elements
// up; else the enclosing block; none for navigation and lists.
Element paragraphOrBlock(const Element& start) {
    Element current = start;
    for (int depth = 0;; ++depth) {
        const std::optional<AccessibleRole> role = current->role();
        const QString name = role ? toString(*role) : QString();
        if (role == TextArea || role == WebArea || role == Window)
            return blockElement(start);
        if (contains(kNotProseRoles, role) || contains(kNotProseSubroles, current->subrole())) {
            hoverTrace(QStringLiteral("declined role=") + name + QStringLiteral(" looks like navigation"));
            return nullptr;
        }
        const QString text = aggregatedText(current);
        const qsizetype count = characterCount(text);
        if (count >= kMinimumBlockCharacters) {
            if (!looksLikeProse(text)) {
                hoverTrace(listTrace(QStringLiteral("declined role="), name, count));
                return nullptr;
            }
            hoverTrace(QStringLiteral("paragraph role=%1 depth=%2").arg(name).arg(depth));
            return current;
        }
        const Element parent = current->parent();
        if (!parent || depth >= kParagraphClimb - 1)
            return blockElement(start);
        current = parent;
    }
}

} // namespace

bool looksLikeProse(const QString& text) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\\n\\x{000B}\\f\\r\\x{0085}\\x{2028}\\x{2029}]"));
    for (QString line : text.split(lineBreaks, Qt::SkipEmptyParts)) {
        qsizetype from = 0, to = line.size();
        while (from < to && (line[from] == QLatin1Char(' ') || line[from] == QLatin1Char('\t')))
            ++from;
        while (to > from && (line[to - 1] == QLatin1Char(' ') || line[to - 1] == QLatin1Char('\t')))
            --to;
        if (characterCount(line.mid(from, to - from)) >= kProseLineCharacters)
            return true;
    }
    return false;
}

Element elementUnderCursor() {
    const Platform& platform = Platform::current();
    if (!platform.pointerWatch || !platform.accessibility)
        return nullptr;
    const std::optional<QPoint> position = platform.pointerWatch->position();
    return position ? platform.accessibility->elementAt(*position) : nullptr;
}

std::optional<HoverTarget> readableTargetUnderCursor() {
    const Platform& platform = Platform::current();
    const std::optional<QPoint> position = platform.pointerWatch ? platform.pointerWatch->position() : std::nullopt;
    if (!position) {
        hoverTrace(QStringLiteral("no element under the cursor"));
        return std::nullopt;
    }
    return readableTargetAt(*position);
}

std::optional<HoverTarget> readableTargetAt(QPoint point) {
    Accessibility* service = Platform::current().accessibility;
    const Element element = service ? service->elementAt(point) : nullptr;
    if (!element) {
        hoverTrace(QStringLiteral("no element under the cursor"));
        return std::nullopt;
    }
    const Element block = paragraphOrBlock(element);
    if (!block) {
        hoverTrace(QStringLiteral("hit role=") + roleText(element) + QStringLiteral(" but nothing readable"));
        return std::nullopt;
    }
    BlockCache& cache = blockCache();
    QString text;
    if (cache.block && block->isSameElement(*cache.block)) {
        text = cache.text;
    } else {
        text = aggregatedText(block);
        cache = {block, text};
    }
    const QString role = roleText(block);
    const qsizetype count = characterCount(text);
    if (!looksLikeProse(text)) {
        hoverTrace(listTrace(QStringLiteral("block role="), role, count));
        return std::nullopt;
    }
    if (count < kMinimumBlockCharacters) {
        hoverTrace(QStringLiteral("block role=%1 text=%2 chars, below the %3 minimum")
                       .arg(role)
                       .arg(count)
                       .arg(kMinimumBlockCharacters));
        return std::nullopt;
    }
    const std::optional<QRect> frame = block->frame();
    if (frame && frame->width() > kMinimumFrameWidth && frame->height() > kMinimumFrameHeight) {
        hoverTrace(QStringLiteral("SHOWING role=%1 text=%2 chars frame=%3x%4")
                       .arg(role)
                       .arg(count)
                       .arg(frame->width())
                       .arg(frame->height()));
        return HoverTarget{text, *frame};
    }
    const QString size =
        frame ? QStringLiteral("%1x%2").arg(frame->width()).arg(frame->height()) : QStringLiteral("no frame");
    hoverTrace(QStringLiteral("block role=%1 text=%2 chars but frame %3").arg(role).arg(count).arg(size));
    return std::nullopt;
}

bool isOwnClickTarget(const Element& element) {
    if (!element)
        return false;
    if (contains(kOwnClickRoles, element->role()))
        return true;
    return element->url().has_value();
}

} // namespace AXText
