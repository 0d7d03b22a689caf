#include "onboarding/OnboardingWindow.h"

#include "onboarding/OnboardingView.h"
#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "support/Defaults.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

OnboardingWindow::OnboardingWindow(std::function<OnboardingServices()> makeServices, QObject* parent)
    : QObject(parent), m_makeServices(std::move(makeServices)) {}

OnboardingWindow::~OnboardingWindow() { delete m_window; }

void OnboardingWindow::show() {
    if (!m_window) {
        OnboardingServices services = m_makeServices();
        m_defaults = services.defaults;
        auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint
                                                | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
        window->setWindowTitle(QStringLiteral("Quorvane"));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setFixedSize(OnboardingView::kSize);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new OnboardingView(std::move(services), window);
        layout->addWidget(view);
        connect(view, &OnboardingView::finished, this, &OnboardingWindow::close);
        // A window above everything would cover the settings the user was sent to.
        connect(view, &OnboardingView::sentToSettings, this, [this] {
            setStaysOnTop(false);
            if (m_window)
                m_window->lower();
        });
        connect(view, &OnboardingView::accessibilityGranted, this, [this] {
            if (!staysOnTop())
                present();
        });
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            window->move(area.center() - QPoint(OnboardingView::kSize.width() / 2, OnboardingView::kSize.height() / 2));
        }
        m_window = window;
        m_view = view;
    }
    present();
}

bool OnboardingWindow::staysOnTop() const {
    return m_window && m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void OnboardingWindow::setStaysOnTop(bool onTop) {
    if (!m_window || staysOnTop() == onTop)
        return;
    Qt::WindowFlags flags = m_window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    // Through the native window, so the window stays mapped: the widget's own
    // setWindowFlags would hide and re-create it, ending the page's poll.
    m_window->overrideWindowFlags(flags);
    if (QWindow* native = m_window->windowHandle())
        native->setFlags(flags);
}

void OnboardingWindow::present() {
    setStaysOnTop(true);
    QPointer<QWidget> window = m_window;
    auto raise = [window] {
        if (!window)
            return;
        window->show();
        if (WindowSystem* system = Platform::current().windowSystem) {
            system->moveToCurrentDesktop(*window);
            system->bringToFront(*window);
        } else {
            window->raise();
            window->activateWindow();
        }
    };
    raise();
    // Window managers may still be mapping the window: raise it once more.
    QTimer::singleShot(0, this, raise);
}

void OnboardingWindow::close() {
    if (m_defaults)
        m_defaults->set(kDoneKey, true);
    if (m_window) {
        m_window->hide();
        m_window->deleteLater();
    }
    m_window = nullptr;
    m_view = nullptr;
    emit finished();
}
