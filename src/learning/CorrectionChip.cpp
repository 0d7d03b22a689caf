#include "learning/CorrectionChip.h"

#include "learning/CorrectionChipView.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionWatch.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

CorrectionChip::CorrectionChip(Services services, std::chrono::milliseconds hideAfter, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(hideAfter);
    connect(&m_hideTimer, &QTimer::timeout, this, &CorrectionChip::dismiss);
}

CorrectionChip::~CorrectionChip() = default;

void CorrectionChip::offerIfPending() {
    std::optional<CorrectionCandidate> pending = m_services.watch.takePending();
    if (!pending)
        return;
    m_candidate = std::move(pending);
    show();
}

bool CorrectionChip::isShown() const { return m_panel && m_panel->isVisible(); }

QPoint CorrectionChip::origin(const QRect& visible, const QSize& size) {
    return {visible.x() + visible.width() - size.width() - kInset,
            visible.y() + visible.height() - size.height() - kInset};
}

int CorrectionChip::screenUnder(const QList<QRect>& frames, const QPoint& pointer, int primary) {
    for (int i = 0; i < frames.size(); ++i) {
        if (frames[i].contains(pointer))
            return i;
    }
    return primary;
}

void CorrectionChip::show() {
    CorrectionChipView& panel = ensurePanel();
    panel.setCandidate(m_candidate);
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
        QList<QRect> frames;
        for (QScreen* screen : screens)
            frames.append(screen->geometry());
        const int index = screenUnder(frames, QCursor::pos(), int(screens.indexOf(QGuiApplication::primaryScreen())));
        QScreen* screen = index >= 0 ? screens[index] : screens.front();
        panel.move(origin(screen->availableGeometry(), panel.size()));
    }
    panel.show();
    panel.raise();
    m_hideTimer.start();
}

void CorrectionChip::dismiss() {
    m_hideTimer.stop();
    m_candidate.reset();
    if (m_panel) {
        m_panel->setCandidate(std::nullopt);
        m_panel->hide();
    }
}

void CorrectionChip::decline() {
    if (m_candidate)
        m_services.ledger.decline(*m_candidate);
    dismiss();
}

void CorrectionChip::add() {
    if (m_candidate)
        m_services.addWord(m_candidate->meant, {m_candidate->heard});
    dismiss();
}

CorrectionChipView& CorrectionChip::ensurePanel() {
    if (!m_panel) {
        m_panel = std::make_unique<CorrectionChipView>();
        m_panel->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
        m_panel->setAttribute(Qt::WA_ShowWithoutActivating);
        m_panel->setWindowTitle(tr("Remember a word"));
        connect(m_panel.get(), &CorrectionChipView::declined, this, &CorrectionChip::decline);
        connect(m_panel.get(), &CorrectionChipView::added, this, &CorrectionChip::add);
    }
    return *m_panel;
}
