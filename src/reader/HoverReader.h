#pragma once

#include "insertion/AXText.h"
#include "platform/PointerWatch.h"
#include "reader/HoverNoticeModel.h"
#include "reader/HoverReadState.h"

#include <QFuture>
#include <QMargins>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
class TranslucentWindow;

// Hover reading: while started, the paragraph of prose under the pointer in
// another application gets a highlight and a "Click to read" notice; a click
// (not a drag, and not on a link, button or field) reads it aloud, a click
// while reading only stops. Pointer moves are looked at no more than once per
// 0.12 s. The panels never take the pointer or the focus: clicks fall through
// to the application below. GUI thread only.
class HoverReader : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds kThrottle{120};
    // The largest travel along each axis between press and release that still
    // counts as a click.
    static constexpr qreal kDragSlop = 4.0;
    // The highlight round the paragraph, and the notice's size and place.
    static constexpr QMargins kHighlightMargins{6, 3, 6, 3};
    static constexpr QSize kNoticeSize{210, 30};
    static constexpr int kNoticeInset = 6;
    static constexpr int kNoticeGap = 7;

    // What hover reading asks of the program around it; `standard()` wires
    // the desktop's parts, and whoever makes the hover reader joins it to the
    // reader (`speak`, `stopReading`); tests put in their own.
    struct Services {
        PointerWatch* pointer = nullptr;
        // The readable paragraph under the pointer.
        std::function<std::optional<AXText::HoverTarget>()> targetUnderPointer;
        // Whether the element under the pointer takes its clicks itself.
        std::function<bool()> ownClickUnderPointer;
        // Reads a text aloud; finishes when the reading has ended or been stopped.
        std::function<QFuture<void>(const QString& text)> speak;
        // Stops every reading.
        std::function<void()> stopReading;
        std::function<Clock::time_point()> now;
        // The available area of the screen a frame is on (the first screen it
        // meets, else the primary one); none without screens.
        std::function<std::optional<QRect>(const QRect& frame)> availableArea;

        static Services standard();
    };

    explicit HoverReader(Services services, QObject* parent = nullptr);
    ~HoverReader() override;

    // Starts watching the pointer; does nothing when already started.
    void start();
    // Stops watching at once and hides the panels, except those of a reading
    // under way, which stay until it ends.
    void stop();
    bool isStarted() const { return m_watch.has_value(); }

    HoverReadState& state() { return m_state; }
    HoverNoticeModel& noticeModel() { return m_noticeModel; }
    // The panels, once made; for tests and pictures.
    QWidget* highlightPanel() const { return m_highlight.get(); }
    QWidget* noticePanel() const { return m_notice.get(); }
    std::optional<QString> currentText() const { return m_currentText; }
    std::optional<QRect> readingFrame() const { return m_readingFrame; }

    // The highlight panel's frame for a paragraph.
    static QRect highlightFrame(const QRect& paragraph);
    // The notice panel's frame: above the paragraph, or below it when the
    // screen's available area would cut it off at the top.
    static QRect noticeFrame(const QRect& paragraph, const std::optional<QRect>& available);

private:
    void onEvent(const PointerWatch::Event& event);
    void onMove();
    void onRelease(QPointF at);
    void readCurrent(const std::optional<AXText::HoverTarget>& target);
    void show(bool reading, const QRect& frame);
    void hide();
    void ensurePanels();
    void finishReading(quint64 take);

    Services m_services;
    HoverReadState m_state;
    HoverNoticeModel m_noticeModel;
    std::optional<PointerWatch::WatchId> m_watch;
    std::unique_ptr<QWidget> m_highlight;
    std::unique_ptr<QWidget> m_notice;
    TranslucentWindow* m_noticeShape = nullptr;
    std::optional<QString> m_currentText;
    std::optional<QRect> m_currentFrame;
    std::optional<QRect> m_readingFrame;
    std::optional<Clock::time_point> m_lastCheck;
    std::optional<QPointF> m_mouseDownAt;
    // Raised by every reading and every stop, so that the end of a reading
    // already stopped touches nothing.
    quint64 m_readingTake = 0;
};
