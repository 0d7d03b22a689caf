#pragma once

#include "platform/OutputVolume.h"

#include <QString>

#include <functional>
#include <optional>

class Defaults;
class QThreadPool;

// Silences the default output device while the user dictates and brings its
// volume back afterwards (setting "pauseAudioWhileDictating", on when absent).
// The volume before ducking is kept per channel, with the device it belongs
// to, until the restore, and also written to a small file, so that a run that
// ends while ducked (a crash, a kill) has the volume brought back at the next
// launch. The restore goes to the device that was ducked, whichever output is
// the default by then (the user may have switched to headphones meanwhile).
// Called on the main thread; the work on the output may run on a worker thread
// of its own, in order, so that neither the start nor the stop of a take
// waits for the sound server.
class SystemAudio {
public:
    // `volume` null means the platform's; `defaults` null means the shared
    // settings; `worker` null runs the work on the output at once.
    SystemAudio(OutputVolume* volume, Defaults* defaults, QString recordPath, QThreadPool* worker = nullptr);

    // Saves the default output's volume and sets it to 0, unless ducking is
    // turned off, the output is already ducked, or its volume is at or below 0.001.
    void duck();
    // Writes the saved volume back to the device it was taken from and forgets
    // it. When that device refuses the volume, or the sound server cannot be
    // reached, the volume is kept for a later try; a device that has gone is
    // forgotten with it.
    void restore();
    // Brings back a volume that a previous run ducked and never restored, if the
    // device it ducked (the default output, for a record that does not name
    // one) is still silent; run once at launch.
    void restoreLeftover();

    // Waits until the work asked for so far is done.
    void finishPending();

    // The volume before ducking; none when not ducked. Read it only once the
    // work asked for is done.
    const std::optional<OutputVolume::ChannelVolumes>& savedVolume() const { return m_savedVolume; }

private:
    void run(std::function<void()> work);
    void duckNow();
    void restoreNow();
    void restoreLeftoverNow();
    OutputVolume* volume() const;
    void writeRecord() const;
    // Writes `saved` to `device`, matching its channel count; false when refused.
    bool put(const QString& device, const OutputVolume::ChannelVolumes& saved);

    OutputVolume* m_volume;
    Defaults* m_defaults;
    QString m_recordPath;
    QThreadPool* m_worker;
    std::optional<OutputVolume::ChannelVolumes> m_savedVolume;
    // The device whose volume is saved; set with it.
    QString m_duckedDevice;
};
