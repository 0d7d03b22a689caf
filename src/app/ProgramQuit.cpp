#include "app/ProgramQuit.h"

#include "looks/Alert.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

QuitPreparation* installed = nullptr;

} // namespace

void quitProgram() {
    dismissOpenAlerts();
    if (installed)
        installed->run();
    else
        QCoreApplication::quit();
}

QuitPreparation::QuitPreparation(std::function<QFuture<void>()> prepare, std::function<void()> end)
    : m_prepare(std::move(prepare)), m_end(std::move(end)) {
    installed = this;
}

QuitPreparation::~QuitPreparation() {
    if (installed == this)
        installed = nullptr;
}

std::function<void()> QuitPreparation::defaultEnd() {
    return [] { QCoreApplication::quit(); };
}

void QuitPreparation::run() {
    if (m_running)
        return;
    m_running = true;
    // The preparation's end or the limit, whichever comes first, ends the loop.
    const auto end = [this, ended = std::make_shared<bool>(false)] {
        if (std::exchange(*ended, true))
            return;
        m_running = false;
        m_end();
    };
    QFuture<void> prepared = m_prepare ? m_prepare() : QtFuture::makeReadyFuture();
    if (prepared.isFinished()) {
        end();
        return;
    }
    // A preparation that never finishes must not keep the program.
    QTimer::singleShot(kLimit, &m_context, end);
    prepared.then(&m_context, end);
}
