// The floating window: made on first use, shown on top without taking focus,
// its close heard; and the window trace log.
#include "reader/ReaderWindowController.h"

#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "reader/ReaderWindowView.h"
#include "support/Defaults.h"
#include "support/LineLog.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

void ReaderWindowController::show() {
    if (!m_services.makesWindow)
        return;
    if (!m_window)
        m_window = makeWindow();
    m_window->show();
    m_window->raise();
    if (WindowSystem* windows = Platform::current().windowSystem)
        windows->keepOnEveryDesktop(*m_window);
    traceLine(describe(QStringLiteral("present")));
}

QWidget* ReaderWindowController::makeWindow() {
    auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint
                                            | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint);
    window->setWindowTitle(kWindowTitle);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(kWindowWidth, kWindowHeight);
    window->setMinimumSize(kMinimumWidth, kMinimumHeight);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ReaderWindowView(*this, Defaults::shared(), window));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->installEventFilter(this);
    return window;
}

bool ReaderWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close)
        QMetaObject::invokeMethod(this, &ReaderWindowController::windowClosed, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

QString ReaderWindowController::describe(const QString& label) const {
    const QWidget* window = m_window;
    const bool onSpace = window && (!m_services.onCurrentDesktop || m_services.onCurrentDesktop(*window));
    const bool visible = window && window->isVisible();
    const bool onTop = window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    const QRect frame = window ? window->frameGeometry() : QRect();
    const QString front = m_services.frontmostName ? m_services.frontmostName() : QString();
    return QStringLiteral("%1 onActiveSpace=%2 visible=%3 level=%4 frame={{%5, %6}, {%7, %8}} screens=%9 frontmost=%10")
        .arg(label, onSpace ? QStringLiteral("true") : QStringLiteral("false"),
             visible ? QStringLiteral("true") : QStringLiteral("false"))
        .arg(onTop ? kFloatingLevel : 0)
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(QGuiApplication::screens().size())
        .arg(front.isEmpty() ? QStringLiteral("?") : front);
}

QString ReaderWindowController::traceFile() {
    static const QString path = Paths::applicationSupport() + QStringLiteral("/Quorvane/reader-window.log");
    return path;
}

void ReaderWindowController::trace(const QString& message) { trace(message, Defaults::shared()); }

void ReaderWindowController::trace(const QString& message, const Defaults& defaults) {
    const bool on =
        qgetenv("QUORVANE_READER_TRACE") == "1" || defaults.boolean(QStringLiteral("readerWindowTrace")) == true;
    if (!on)
        return;
    const QByteArray line = (LineLog::timestamp() + QStringLiteral("  ") + message + u'\n').toUtf8();
    QFile file(traceFile());
    if (!PrivateFiles::open(file, QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line);
}
