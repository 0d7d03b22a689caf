#include "dictation/PanelShadow.h"

#include "dictation/BubbleView.h"
#include "looks/TranslucentWindow.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace {

// Rings of falling darkness around the look's outline, the look itself left
// clear so that a translucent card shows the desktop and not the shadow.
class ShadowWindow : public QWidget {
public:
    ShadowWindow()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                               | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint) {
        setObjectName(QStringLiteral("BubbleShadow"));
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_X11DoNotAcceptFocus);
    }

    void setShape(const QRectF& shape, qreal radius) {
        m_shape = shape;
        m_radius = radius;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outside;
        outside.addRect(QRectF(rect()));
        QPainterPath look;
        look.addRoundedRect(m_shape, m_radius, m_radius);
        painter.setClipPath(outside.subtracted(look));
        painter.setPen(Qt::NoPen);
        const QRectF dropped = m_shape.translated(0, PanelShadow::kDrop);
        for (int ring = PanelShadow::kBlur; ring >= 1; --ring) {
            const qreal fade = 1.0 - qreal(ring) / (PanelShadow::kBlur + 1);
            painter.setBrush(QColor::fromRgbF(0, 0, 0, float(PanelShadow::kOpacity * fade * fade / 3)));
            painter.drawRoundedRect(dropped.adjusted(-ring, -ring, ring, ring), m_radius + ring, m_radius + ring);
        }
    }

private:
    QRectF m_shape;
    qreal m_radius = 0;
};

} // namespace

PanelShadow::PanelShadow(QWidget& panel, BubbleView& view) : m_panel(panel), m_view(view) {
    m_panel.installEventFilter(this);
    connect(&m_view, &BubbleView::lookChanged, this, &PanelShadow::follow);
}

PanelShadow::~PanelShadow() { m_panel.removeEventFilter(this); }

QWidget* PanelShadow::window() const { return m_window.get(); }

bool PanelShadow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_panel) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            follow();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void PanelShadow::follow() {
    const QRectF look = m_view.lookRect();
    if (!m_panel.isVisible() || look.isEmpty() || !TranslucentWindow::desktopBlends()) {
        if (m_window)
            m_window->hide();
        return;
    }
    if (!m_window)
        m_window = std::make_unique<ShadowWindow>();
    const QPointF lookOnScreen =
        QPointF(m_panel.geometry().topLeft()) + QPointF(m_view.mapTo(&m_panel, QPoint(0, 0))) + look.topLeft();
    const QRect frame =
        QRectF(lookOnScreen, look.size()).toAlignedRect().adjusted(-kMargin, -kMargin, kMargin, kMargin);
    m_window->setGeometry(frame);
    const qreal radius = qMin(BubbleView::kCornerRadius, look.height() / 2);
    static_cast<ShadowWindow*>(m_window.get())
        ->setShape(QRectF(lookOnScreen - QPointF(frame.topLeft()), look.size()), radius);
    if (!m_window->isVisible()) {
        m_window->show();
        // Behind the panel, never over it.
        m_panel.raise();
    }
}
