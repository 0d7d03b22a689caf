#pragma once

#include "platform/AudioPlayer.h"

#include <memory>

class RetiredSinks;

// Plays PCM WAV files (8, 16 or 32-bit integer, or 32-bit float samples)
// through Qt's audio sink on PulseAudio. Chosen over Qt's media player, whose
// default GStreamer backend crashes on machines without GStreamer plugins and
// whose FFmpeg backend starts later (bench/ReaderBench.cpp). The sink always
// gets float samples at the sound's own rate: another speed is a change of
// tempo by SoundTouch, so the voice keeps its pitch. Sounds appended while one
// plays are pulled by the same open sink, without a gap between them.
class QtAudioSinkPlayers : public AudioPlayer::Factory {
public:
    QtAudioSinkPlayers();
    ~QtAudioSinkPlayers() override;

    std::unique_ptr<AudioPlayer> create(const QByteArray& wav) override;

private:
    // Shared with the players, which may go after this factory.
    std::shared_ptr<RetiredSinks> m_retired;
};
