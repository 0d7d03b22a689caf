#include "mainwindow/MainWindow.h"

#include "support/Defaults.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHideEvent>
#include <QVBoxLayout>

QString MainWindow::frameKey(const QString& autosaveName) { return QStringLiteral("windowFrame ") + autosaveName; }

MainWindow::MainWindow(QWidget* content, const QString& autosaveName, Defaults& defaults)
    : QWidget(nullptr, Qt::Window), m_content(content), m_key(frameKey(autosaveName)), m_defaults(defaults) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    setWindowTitle(content->windowTitle());
    const std::optional<QString> saved = m_defaults.string(m_key);
    if (saved)
        m_restored = restoreGeometry(QByteArray::fromBase64(saved->toLatin1()));
    // A window still open when the program quits keeps its frame too.
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            if (isVisible())
                saveFrame();
        });
    }
}

void MainWindow::saveFrame() { m_defaults.set(m_key, QString::fromLatin1(saveGeometry().toBase64())); }

void MainWindow::closeEvent(QCloseEvent* event) {
    // The quit closes every window first and gives up on one that refuses:
    // then the window closes.
    if (m_quitting) {
        QWidget::closeEvent(event);
        return;
    }
    // Otherwise it is only hidden: a closed window gives up its native window
    // and backing store, and opening it again would have to make both anew.
    event->ignore();
    hide();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
        m_quitting = true;
    return QWidget::eventFilter(watched, event);
}
void MainWindow::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        saveFrame();
    QWidget::hideEvent(event);
}
