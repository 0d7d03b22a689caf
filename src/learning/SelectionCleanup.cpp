#include "learning/SelectionCleanup.h"

#include "cleanup/CleanupEngine.h"
#include "insertion/AXText.h"
#include "insertion/PasteService.h"
#include "learning/SelectionReplacement.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/Text.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

const QString kEnabledKey = QStringLiteral("selectionChipEnabled");
constexpr qreal kAboveGap = 14;
constexpr qreal kBelowGap = 6;
constexpr qreal kPastEnd = 20;
constexpr qreal kInset = 4;
const QPointF kPointerOffset(12, 14);

// Keeps a chip at `origin` 4 inside `visible`; the top and left bounds win.
QPointF clamped(QPointF origin, const QSizeF& size, const QRectF& visible) {
    origin.setX(std::max(origin.x(), visible.left() + kInset));
    origin.setX(std::min(origin.x(), visible.right() - size.width() - kInset));
    origin.setY(std::min(origin.y(), visible.bottom() - size.height() - kInset));
    origin.setY(std::max(origin.y(), visible.top() + kInset));
    return origin;
}

bool trusted() {
    Accessibility* accessibility = Platform::current().accessibility;
    return accessibility && accessibility->isTrusted();
}

QFuture<QString> cleanWithEngine(CleanupEngine& engine, const QString& text) {
    return engine.clean(text, false, QString(), std::nullopt, true).then([](const CleanupEngine::Result& result) {
        return result.text;
    });
}

QScreen* screenUnderPointer() {
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().contains(pointer))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

SelectionCleanup::SelectionCleanup(Services services) : SelectionCleanup(std::move(services), Timing()) {}

SelectionCleanup::SelectionCleanup(Services services, Timing timing, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_timing(timing) {
    if (!m_services.clean)
        m_services.clean = [&engine = m_services.cleanup](const QString& text) {
            return cleanWithEngine(engine, text);
        };
    m_pollTimer.setSingleShot(true);
    m_pollTimer.setInterval(m_timing.pollDelay);
    connect(&m_pollTimer, &QTimer::timeout, this, &SelectionCleanup::poll);
    m_hideTimer.setSingleShot(true);
}

SelectionCleanup::~SelectionCleanup() {
    if (m_watch && Platform::current().hotkeys)
        Platform::current().hotkeys->stopWatching(*m_watch);
}

void SelectionCleanup::start() {
    Hotkeys* hotkeys = Platform::current().hotkeys;
    if (m_watch || !hotkeys)
        return;
    m_watch = hotkeys->startWatchingInput([this](Hotkeys::InputEvent event) {
        // Queued: the watch may report from inside another handler.
        QMetaObject::invokeMethod(
            this,
            [this, event] {
                if (event == Hotkeys::InputEvent::KeyUp || event == Hotkeys::InputEvent::LeftButtonUp)
                    schedulePoll();
                else
                    dismiss();
            },
            Qt::QueuedConnection);
    });
}

void SelectionCleanup::schedulePoll() { m_pollTimer.start(); }

void SelectionCleanup::poll() {
    if (!m_services.defaults.boolOr(kEnabledKey, true) || !trusted() || m_chipState != ChipState::Idle)
        return;
    if (m_services.state.isRecording() || m_services.state.bubbleMode() != BubbleMode::Hidden)
        return;
    if (m_services.isReading && m_services.isReading())
        return;
    const std::optional<QString> selected = AXText::selectedText();
    const qsizetype length = selected ? Text::graphemeCount(*selected) : 0;
    if (!selected || length < kMinCharacters || length > kMaxCharacters || !AXText::focusedIsEditable()) {
        if (isShown())
            hide();
        return;
    }
    if (selected == m_shownFor || selected == m_dismissedFor)
        return;
    show(*selected);
}

void SelectionCleanup::dismiss() {
    if (!m_shownFor || m_chipState != ChipState::Idle)
        return;
    m_dismissedFor = m_shownFor;
    hide();
}

bool SelectionCleanup::isShown() const { return m_shownFor.has_value(); }

void SelectionCleanup::show(const QString& text) {
    m_shownFor = text;
    setChipState(ChipState::Idle);
    SelectionChipView& panel = ensurePanel();
    QScreen* screen = screenUnderPointer();
    const std::optional<QRectF> visible = screen ? std::optional<QRectF>(screen->availableGeometry()) : std::nullopt;
    const std::optional<QRect> selection = AXText::selectionScreenRect();
    const QPointF origin = selection && visible ? chipOrigin(*selection, panel.size(), *visible)
                                                : pointerOrigin(QCursor::pos(), panel.size(), visible);
    panel.move(origin.toPoint());
    panel.show();
    panel.raise();
    m_hideTimer.disconnect();
    connect(&m_hideTimer, &QTimer::timeout, this, &SelectionCleanup::dismiss);
    m_hideTimer.start(m_timing.offerLife);
}

void SelectionCleanup::hide() {
    m_hideTimer.stop();
    m_shownFor.reset();
    setChipState(ChipState::Idle);
    if (m_panel)
        m_panel->hide();
}

void SelectionCleanup::cleanSelection() {
    if (!m_shownFor || m_chipState != ChipState::Idle)
        return;
    const QString original = *m_shownFor;
    setChipState(ChipState::Cleaning);
    m_hideTimer.stop();
    if (AXText::selectedText() != original) {
        hide();
        return;
    }
    m_services.clean(original).then(this, [this, original](const QString& cleanedText) {
        // A chip taken down or shown for another text in the meantime is left alone.
        if (m_chipState != ChipState::Cleaning || m_shownFor != original)
            return;
        const QString cleaned = SelectionReplacement::fitted(original, cleanedText);
        if (cleaned.isEmpty()) {
            // A cleanup that gave nothing has not cleaned anything.
            hide();
            return;
        }
        if (cleaned != original) {
            if (AXText::selectedText() != original) {
                hide();
                return;
            }
            PasteService::paste(cleaned);
        }
        finish();
    });
}

void SelectionCleanup::finish() {
    setChipState(ChipState::Done);
    m_hideTimer.disconnect();
    connect(&m_hideTimer, &QTimer::timeout, this, &SelectionCleanup::hide);
    m_hideTimer.start(m_timing.doneLife);
}

void SelectionCleanup::setChipState(ChipState state) {
    m_chipState = state;
    if (m_panel)
        m_panel->setState(state);
}

QPointF SelectionCleanup::chipOrigin(const QRectF& selection, const QSizeF& size, const QRectF& visible) {
    qreal y = selection.top() - kAboveGap - size.height();
    if (y < visible.top() + kInset)
        y = selection.bottom() + kBelowGap;
    const qreal x = selection.right() - size.width() + kPastEnd;
    return clamped({x, y}, size, visible);
}

QPointF SelectionCleanup::pointerOrigin(const QPointF& pointer, const QSizeF& size,
                                        const std::optional<QRectF>& visible) {
    const QPointF origin(pointer.x() + kPointerOffset.x(), pointer.y() - kPointerOffset.y() - size.height());
    return visible ? clamped(origin, size, *visible) : origin;
}

SelectionChipView& SelectionCleanup::ensurePanel() {
    if (!m_panel) {
        m_panel = std::make_unique<SelectionChipView>();
        m_panel->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
        m_panel->setAttribute(Qt::WA_ShowWithoutActivating);
        m_panel->setWindowTitle(tr("Clean up"));
        m_panel->setState(m_chipState);
        connect(m_panel.get(), &SelectionChipView::clicked, this, &SelectionCleanup::cleanSelection);
    }
    return *m_panel;
}
