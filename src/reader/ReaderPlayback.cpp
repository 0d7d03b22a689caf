// Playback of a reading: the player, the ticker that publishes its position,
// the transport's play, pause, skip and scrub, the speed.
#include "reader/ReaderWindowController.h"

#include "platform/AudioPlayer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

double seconds(std::chrono::milliseconds time) { return double(time.count()) / 1000.0; }

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(qint64(std::llround(seconds * 1000.0)));
}

} // namespace

void ReaderWindowController::startPlayback(const QByteArray& wav) {
    m_wav = wav;
    ++m_audioSerial;
    AudioPlayer::Factory* players = m_services.players ? m_services.players() : nullptr;
    std::unique_ptr<AudioPlayer> player = players ? players->create(wav) : nullptr;
    if (!player) {
        setStatus(kCouldNotPlay);
        return;
    }
    AudioPlayer* raw = player.get();
    player->setFinished([this, raw] {
        // A finish of a player already replaced says nothing about this one.
        QMetaObject::invokeMethod(
            this,
            [this, raw] {
                if (m_player.get() == raw)
                    playerFinished();
            },
            Qt::QueuedConnection);
    });
    player->setRate(m_rate);
    m_player = std::move(player);
    if (!startPlayer()) {
        // Nothing would ever end a player that never started: the reading
        // stays without one, as when the audio cannot be loaded.
        m_player.reset();
        emit stateChanged();
    }
}

bool ReaderWindowController::startPlayer() {
    if (!m_player->play()) {
        setPlaying(false);
        setStatus(kCouldNotPlay);
        return false;
    }
    if (m_status == kCouldNotPlay)
        setStatus(std::nullopt);
    setPlaying(true);
    m_ticker.start();
    return true;
}

void ReaderWindowController::stopPlayback() {
    m_ticker.stop();
    if (m_player) {
        m_player->stop();
        m_player.reset();
        emit stateChanged();
    }
    setPlaying(false);
    setCurrentTime(0);
}

void ReaderWindowController::playerFinished() {
    setPlaying(false);
    setCurrentTime(m_timeline.duration);
}

void ReaderWindowController::tick() {
    if (m_player)
        setCurrentTime(seconds(m_player->position()));
}

void ReaderWindowController::seekToWord(int index) {
    if (index < 0 || index >= m_timeline.words.size())
        return;
    if (!m_player)
        return;
    scrub(m_timeline.words[index].start);
    if (!m_isPlaying)
        togglePlayback();
}

void ReaderWindowController::setRate(double rate) {
    if (rate == m_rate)
        return;
    m_rate = rate;
    if (m_player)
        m_player->setRate(rate);
    emit stateChanged();
}

void ReaderWindowController::togglePlayback() {
    if (!m_player)
        return;
    if (m_player->isPlaying()) {
        m_player->pause();
        setPlaying(false);
    } else {
        startPlayer();
    }
}

void ReaderWindowController::skip(double step) {
    if (!m_player)
        return;
    scrub(m_timeline.seek(seconds(m_player->position()), step));
}

void ReaderWindowController::scrub(double time) {
    if (!m_player)
        return;
    const double duration = seconds(m_player->duration());
    m_player->seek(milliseconds(std::max(0.0, std::min(time, duration))));
    setCurrentTime(seconds(m_player->position()));
}
