#pragma once

#include "platform/AudioPlayer.h"

#include <QByteArray>
#include <QList>
#include <QPointer>

#include <memory>

// Players that play nothing: a test sees what was played and ends playback
// itself (`finishCurrent`, which ends a player with everything appended to it). Bytes starting with "BAD" cannot be
// played; a player made while `neverFinishes` is set ignores finishCurrent, as a stuck output would; one made while
// `refusesToStart` is set fails every play(), as an output that cannot be opened does.
class FakeAudioPlayers : public AudioPlayer::Factory {
public:
    struct Record {
        QByteArray wav;
        // Sounds queued after the first.
        QList<QByteArray> appended;
        float volume = 1;
        double rate = 1;
        bool playing = false;
        bool stopped = false;
        bool refuses = false;
        std::function<void()> finished;
    };

    class Player : public AudioPlayer {
    public:
        Player(std::shared_ptr<Record> record, std::chrono::milliseconds duration)
            : m_record(std::move(record)), m_duration(duration), m_chunk(duration) {}
        ~Player() override { m_record->stopped = m_record->stopped || m_record->playing; }
        bool play() override { return m_record->playing = !m_record->refuses; }
        void pause() override { m_record->playing = false; }
        void stop() override {
            m_record->playing = false;
            m_record->stopped = true;
        }
        void setVolume(float volume) override { m_record->volume = volume; }
        void setRate(double rate) override { m_record->rate = rate; }
        bool append(const QByteArray& wav) override {
            if (wav.startsWith("BAD") || !m_record->playing)
                return false;
            m_record->appended.append(wav);
            m_duration += m_chunk;
            return true;
        }
        void seek(std::chrono::milliseconds position) override { m_position = position; }
        std::chrono::milliseconds position() const override { return m_position; }
        std::chrono::milliseconds duration() const override { return m_duration; }
        bool isPlaying() const override { return m_record->playing; }
        void setFinished(std::function<void()> finished) override { m_record->finished = std::move(finished); }

    private:
        std::shared_ptr<Record> m_record;
        std::chrono::milliseconds m_position{0};
        std::chrono::milliseconds m_duration;
        std::chrono::milliseconds m_chunk;
    };

    std::unique_ptr<AudioPlayer> create(const QByteArray& wav) override {
        if (wav.startsWith("BAD"))
            return nullptr;
        auto record = std::make_shared<Record>();
        record->wav = wav;
        record->refuses = refusesToStart;
        made.append(record);
        stuck.append(neverFinishes);
        return std::make_unique<Player>(record, duration);
    }

    // Ends the newest playing sound as the output would at its end.
    bool finishCurrent() {
        for (qsizetype i = made.size() - 1; i >= 0; --i) {
            if (!made[i]->playing || stuck[i])
                continue;
            made[i]->playing = false;
            if (made[i]->finished)
                made[i]->finished();
            return true;
        }
        return false;
    }
    // The bytes of every sound played so far, in order, appended ones included.
    QList<QByteArray> played() const {
        QList<QByteArray> out;
        for (const auto& record : made)
            out << record->wav << record->appended;
        return out;
    }

    std::chrono::milliseconds duration{1000};
    bool neverFinishes = false;
    bool refusesToStart = false;
    QList<std::shared_ptr<Record>> made;
    QList<bool> stuck;
};
