#include "reader/HoverReader.h"

#include "looks/TranslucentWindow.h"
#include "platform/Platform.h"
#include "reader/HoverHighlight.h"
#include "reader/HoverNotice.h"

#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>

namespace {

std::unique_ptr<QWidget> makePanel(const QString& name) {
    auto panel = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                                        | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput
                                                        | Qt::X11BypassWindowManagerHint);
    panel->setObjectName(name);
    panel->setWindowTitle(name);
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    panel->setAttribute(Qt::WA_TransparentForMouseEvents);
    panel->setFocusPolicy(Qt::NoFocus);
    return panel;
}

// Fills `panel` with `view`, which follows the panel's size.
void host(QWidget& panel, QWidget* view) {
    auto* layout = new QVBoxLayout(&panel);
    layout->setContentsMargins(0, 0, 0, 0);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(view);
}

} // namespace

HoverReader::Services HoverReader::Services::standard() {
    Services services;
    services.pointer = Platform::current().pointerWatch;
    services.targetUnderPointer = [] { return AXText::readableTargetUnderCursor(); };
    services.ownClickUnderPointer = [] { return AXText::isOwnClickTarget(AXText::elementUnderCursor()); };
    services.now = [] { return Clock::now(); };
    services.availableArea = [](const QRect& frame) -> std::optional<QRect> {
        for (const QScreen* screen : QGuiApplication::screens()) {
            if (screen->geometry().intersects(frame))
                return screen->availableGeometry();
        }
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            return primary->availableGeometry();
        return std::nullopt;
    };
    return services;
}

HoverReader::HoverReader(Services services, QObject* parent) : QObject(parent), m_services(std::move(services)) {}

HoverReader::~HoverReader() {
    if (m_watch && m_services.pointer)
        m_services.pointer->stopWatching(*m_watch);
}

QRect HoverReader::highlightFrame(const QRect& paragraph) { return paragraph.marginsAdded(kHighlightMargins); }

QRect HoverReader::noticeFrame(const QRect& paragraph, const std::optional<QRect>& available) {
    QRect notice(QPoint(paragraph.left() - kNoticeInset, paragraph.top() - kNoticeGap - kNoticeSize.height()),
                 kNoticeSize);
    if (available && available->top() > notice.top())
        notice.moveTop(paragraph.top() + paragraph.height() + kNoticeGap);
    return notice;
}

void HoverReader::start() {
    if (m_watch || !m_services.pointer)
        return;
    m_watch = m_services.pointer->startWatching([this](const PointerWatch::Event& event) { onEvent(event); });
}

void HoverReader::stop() {
    if (m_watch && m_services.pointer)
        m_services.pointer->stopWatching(*m_watch);
    m_watch.reset();
    m_mouseDownAt.reset();
    hide();
}

void HoverReader::onEvent(const PointerWatch::Event& event) {
    switch (event.kind) {
    case PointerWatch::EventKind::Moved:
        onMove();
        break;
    case PointerWatch::EventKind::LeftDown:
        // Clicks in the program's own windows are its own business.
        if (!event.overOwnWindow)
            m_mouseDownAt = event.position;
        break;
    case PointerWatch::EventKind::LeftUp:
        if (!event.overOwnWindow)
            onRelease(event.position);
        break;
    }
}

void HoverReader::onMove() {
    const Clock::time_point now = m_services.now();
    if (m_lastCheck && now - *m_lastCheck <= kThrottle)
        return;
    m_lastCheck = now;
    if (m_state.playing())
        return;
    const std::optional<AXText::HoverTarget> target = m_services.targetUnderPointer();
    if (!target) {
        hide();
        return;
    }
    if (m_currentFrame == target->frame && m_notice && m_notice->isVisible())
        return;
    m_currentText = target->text;
    m_currentFrame = target->frame;
    show(false, target->frame);
}

void HoverReader::onRelease(QPointF at) {
    if (!m_mouseDownAt)
        return;
    const QPointF down = *m_mouseDownAt;
    m_mouseDownAt.reset();
    if (std::abs(at.x() - down.x()) > kDragSlop || std::abs(at.y() - down.y()) > kDragSlop)
        return; // a drag, such as a text selection
    if (m_services.ownClickUnderPointer())
        return;
    const std::optional<AXText::HoverTarget> target = m_services.targetUnderPointer();
    if (target)
        readCurrent(target);
    else if (m_state.playing())
        readCurrent(std::nullopt);
}

void HoverReader::readCurrent(const std::optional<AXText::HoverTarget>& target) {
    if (!m_state.playing()) {
        if (!target || target->text.isEmpty())
            return;
        m_currentText = target->text;
        m_readingFrame = target->frame;
        m_state.setPlaying(true);
        m_noticeModel.setReading(true);
        show(true, target->frame);
        const quint64 take = ++m_readingTake;
        auto* watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, take] {
            watcher->deleteLater();
            finishReading(take);
        });
        watcher->setFuture(m_services.speak(target->text));
        return;
    }
    ++m_readingTake;
    m_services.stopReading();
    m_state.setPlaying(false);
    m_readingFrame.reset();
    m_noticeModel.setReading(false);
    if (!target)
        hide();
}

void HoverReader::finishReading(quint64 take) {
    if (take != m_readingTake)
        return; // stopped by a click, or superseded
    m_state.setPlaying(false);
    m_readingFrame.reset();
    m_noticeModel.setReading(false);
    hide();
}

void HoverReader::ensurePanels() {
    if (m_highlight)
        return;
    m_highlight = makePanel(QStringLiteral("HoverHighlight"));
    m_notice = makePanel(QStringLiteral("HoverNotice"));
    auto* highlight = new HoverHighlight(m_noticeModel);
    host(*m_highlight, highlight);
    new TranslucentWindow(
        *m_highlight,
        [highlight](const QSize& size) {
            return HoverHighlight::barAndFrame(QSizeF(size), highlight->layoutDirection());
        },
        HoverHighlight::tint());
    auto* notice = new HoverNotice(m_noticeModel);
    host(*m_notice, notice);
    m_noticeShape = new TranslucentWindow(
        *m_notice,
        [notice](const QSize& size) {
            QPainterPath outline;
            const QRectF capsule(notice->capsule(size));
            outline.addRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
            return outline;
        },
        HoverNotice::fill());
    // The capsule grows and shrinks with its text.
    connect(&m_noticeModel, &HoverNoticeModel::readingChanged, m_noticeShape, &TranslucentWindow::refit);
}

void HoverReader::show(bool reading, const QRect& frame) {
    ensurePanels();
    m_highlight->setGeometry(highlightFrame(frame));
    m_highlight->show();
    m_highlight->raise();
    m_noticeModel.setReading(reading);
    m_notice->setGeometry(
        noticeFrame(frame, m_services.availableArea ? m_services.availableArea(frame) : std::nullopt));
    m_notice->show();
    m_notice->raise();
}

void HoverReader::hide() {
    if (m_state.playing())
        return;
    if (m_highlight)
        m_highlight->hide();
    if (m_notice)
        m_notice->hide();
}
