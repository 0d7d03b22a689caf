#include "dictation/ProgramAudio.h"

#include "support/Paths.h"

#include <QCoreApplication>

ProgramAudio::ProgramAudio()
    : m_audio(nullptr, nullptr, Paths::engineFolder() + QStringLiteral("/ducked-volume.json"), &m_worker) {
    m_worker.setMaxThreadCount(1);
    if (QCoreApplication* app = QCoreApplication::instance())
        m_restoreAtQuit = QObject::connect(app, &QCoreApplication::aboutToQuit, app, [this] {
            m_audio.restore();
            m_audio.finishPending();
        });
}

ProgramAudio::~ProgramAudio() {
    QObject::disconnect(m_restoreAtQuit);
    m_audio.finishPending();
}
