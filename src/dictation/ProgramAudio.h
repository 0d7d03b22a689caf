#pragma once

#include "dictation/SystemAudio.h"

#include <QMetaObject>
#include <QThreadPool>

// The running program's ducking: the platform's volume and the shared
// settings, the record under the engine folder, and one worker thread, so
// that a restore never overtakes the duck before it. Quitting the
// application brings the volume back; the worker ends with this object.
class ProgramAudio {
public:
    ProgramAudio();
    ~ProgramAudio();
    ProgramAudio(const ProgramAudio&) = delete;
    ProgramAudio& operator=(const ProgramAudio&) = delete;

    SystemAudio& audio() { return m_audio; }

private:
    QThreadPool m_worker;
    SystemAudio m_audio;
    QMetaObject::Connection m_restoreAtQuit;
};
