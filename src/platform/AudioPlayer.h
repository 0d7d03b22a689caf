#pragma once

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>

// Plays one sound held in memory (a WAV file) to the default output. Made by
// the platform's factory; used and destroyed on the GUI thread. A player that
// is stopped or destroyed reports nothing more.
class AudioPlayer {
public:
    // Makes players; one per platform.
    class Factory {
    public:
        virtual ~Factory() = default;
        // A player of `wav`, or none when the bytes cannot be played.
        virtual std::unique_ptr<AudioPlayer> create(const QByteArray& wav) = 0;
    };

    virtual ~AudioPlayer() = default;

    // Starts or resumes playback. False when the output refused to start.
    virtual bool play() = 0;
    virtual void pause() = 0;
    // Ends playback; `finished` is not called for it.
    virtual void stop() = 0;
    // From 0 (silent) to 1 (full).
    virtual void setVolume(float volume) = 0;
    // Playback speed, 1 = normal; the pitch stays where it is.
    virtual void setRate(double rate) = 0;
    // Queues another sound to play right after what is queued, through the
    // same open output, so no gap falls between them; `finished` then comes
    // at the end of the last. False, and nothing queued, when the sound is of
    // another format, cannot be read, or the output is already winding down
    // after its last sound (the caller then plays it once `finished` came).
    // What playback has passed is let go at each append, so a long stream of
    // sounds holds what is still to play, not all it played; position() and
    // duration() still count from the start of the first sound.
    virtual bool append(const QByteArray& wav) = 0;
    // Moves playback to `position`, clamped to the sound still held (all of
    // it on a player nothing was appended to).
    virtual void seek(std::chrono::milliseconds position) = 0;
    // How far into the sound playback is.
    virtual std::chrono::milliseconds position() const = 0;
    // The length of the sound, appended ones and those let go included.
    virtual std::chrono::milliseconds duration() const = 0;
    virtual bool isPlaying() const = 0;
    // Called on the GUI thread once when playback reaches the end of the sound.
    virtual void setFinished(std::function<void()> finished) = 0;
};
