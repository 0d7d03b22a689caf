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

OnboardingWindow& OnboardingWindow::shared() {
    static OnboardingWindow* window = new OnboardingWindow([] { return OnboardingServices::desktop(); });
    return *window;
}

OnboardingWindow::OnboardingWindow(std::function<OnboardingServices()> makeServices, QObject* parent)
    : QObject(parent), m_makeServices(std::move(makeServices)) {}

OnboardingWindow::~OnboardingWindow() {
    delete m_window;
}

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
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            window->move(area.center() - QPoint(OnboardingView::kSize.width() / 2, OnboardingView::kSize.height() / 2));
        }
        m_window = window;
        m_view = view;
    }
    present();
}

void OnboardingWindow::present() {
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
