#include "onboarding/MilestoneTone.h"

#include "platform/AudioPlayer.h"
#include "platform/Platform.h"
#include "support/ProgramLifetime.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

namespace MilestoneTone {
namespace {

struct Note {
    double frequency;
    double start;
    double decay;
};

constexpr std::array<Note, 2> kNotes{{{440.0, 0.0, 28.8}, {587.3, 0.11, 17.0}}};
constexpr double kCutoffHz = 2600.0;
constexpr double kAttackSeconds = 0.03;
constexpr double kGain = 0.18;
constexpr double kFullScale = 32000.0;
constexpr int kHeaderBytes = 44;

// The chime playing now. Its player goes when the program's lifetime ends,
// while the audio output it plays through still exists.
std::unique_ptr<AudioPlayer>& currentPlayer() {
    static auto* player = [] {
        auto* made = new std::unique_ptr<AudioPlayer>;
        ProgramLifetime::atEnd([made] { made->reset(); });
        return made;
    }();
    return *player;
}

void putU32(char* at, quint32 value) { qToLittleEndian(value, at); }
void putU16(char* at, quint16 value) { qToLittleEndian(value, at); }

} // namespace

QByteArray wav(double rate, double seconds) {
    const double frames = std::trunc(rate * seconds);
    const double maxFrames = (std::numeric_limits<quint32>::max() - 36.0) / 2.0;
    if (!(frames >= 0) || frames > maxFrames || !(rate > 0) || rate > std::numeric_limits<quint32>::max() / 2.0)
        return {};
    const qint64 n = static_cast<qint64>(frames);
    const quint32 dataSize = static_cast<quint32>(n * 2);

    QByteArray out(kHeaderBytes + static_cast<qsizetype>(dataSize), Qt::Uninitialized);
    char* p = out.data();
    std::copy_n("RIFF", 4, p);
    putU32(p + 4, dataSize + 36);
    std::copy_n("WAVE", 4, p + 8);
    std::copy_n("fmt ", 4, p + 12);
    putU32(p + 16, 16);
    putU16(p + 20, 1);
    putU16(p + 22, 1);
    putU32(p + 24, static_cast<quint32>(rate));
    putU32(p + 28, static_cast<quint32>(rate) * 2);
    putU16(p + 32, 2);
    putU16(p + 34, 16);
    std::copy_n("data", 4, p + 36);
    putU32(p + 40, dataSize);

    const double a = 1.0 - std::exp(-2.0 * std::numbers::pi * kCutoffHz / rate);
    double y = 0.0;
    char* samples = p + kHeaderBytes;
    for (qint64 k = 0; k < n; ++k) {
        const double t = static_cast<double>(k) / rate;
        double x = 0.0;
        for (const Note& note : kNotes) {
            if (note.start > t)
                continue;
            const double u = t - note.start;
            x += std::min(u / kAttackSeconds, 1.0) * std::sin(2.0 * std::numbers::pi * note.frequency * u)
                 * std::exp(-u * note.decay) * kGain;
        }
        y = y + a * (x - y);
        const auto sample = static_cast<qint16>(std::clamp(y, -1.0, 1.0) * kFullScale);
        qToLittleEndian(sample, samples + k * 2);
    }
    return out;
}

void play() {
    std::unique_ptr<AudioPlayer>& slot = currentPlayer();
    const QByteArray data = wav(kSampleRate, kSeconds);
    AudioPlayer::Factory* players = Platform::current().audioPlayers;
    if (data.isEmpty())
        return;
    if (!players) {
        slot.reset();
        return;
    }
    slot = players->create(data);
    if (!slot)
        return;
    slot->setVolume(kVolume);
    slot->play();
}

} // namespace MilestoneTone
