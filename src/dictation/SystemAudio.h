#pragma once

#include "platform/OutputVolume.h"

#include <QString>

#include <optional>

class Defaults;

// Silences the default output device while the user dictates and brings its
// volume back afterwards (setting "pauseAudioWhileDictating", on when absent).
// The volume before ducking is kept per channel until the restore, and also
// written to a small file, so that a run that ends while ducked (a crash, a
// kill) has the volume brought back at the next launch. Main thread only.
class SystemAudio {
public:
    // The instance of the running program: platform volume, shared settings,
    // its record under the engine folder. Quitting the application restores.
    static SystemAudio& shared();

    // `volume` null means the platform's; `defaults` null means the shared settings.
    SystemAudio(OutputVolume* volume, Defaults* defaults, QString recordPath);

    // Saves the default output's volume and sets it to 0, unless ducking is
    // turned off, the output is already ducked, or its volume is at or below 0.001.
    void duck();
    // Writes the saved volume to the current default output and forgets it.
    // When the default output cannot be read or refuses the volume, the volume
    // is kept for a later try.
    void restore();
    // Brings back a volume that a previous run ducked and never restored, if the
    // default output is still silent; run once at launch.
    void restoreLeftover();

    // The volume before ducking; none when not ducked.
    const std::optional<OutputVolume::ChannelVolumes>& savedVolume() const { return m_savedVolume; }

private:
    OutputVolume* volume() const;
    void writeRecord() const;
    // Writes `saved` to `device`, matching its channel count; false when refused.
    bool put(const QString& device, const OutputVolume::ChannelVolumes& saved);

    OutputVolume* m_volume;
    Defaults* m_defaults;
    QString m_recordPath;
    std::optional<OutputVolume::ChannelVolumes> m_savedVolume;
};
