#pragma once

#include "platform/AudioPlayer.h"

// Plays PCM WAV files (8, 16 or 32-bit integer, or 32-bit float samples)
// through Qt's audio sink on PulseAudio. Chosen over Qt's media player, whose
// default GStreamer backend crashes on machines without GStreamer plugins and
// whose FFmpeg backend starts later (bench/ReaderBench.cpp). The rate is played
// by the sink at a scaled sample rate, so the pitch follows it.
class QtAudioSinkPlayers : public AudioPlayer::Factory {
public:
    std::unique_ptr<AudioPlayer> create(const QByteArray& wav) override;
};
