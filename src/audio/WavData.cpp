#include "audio/WavData.h"

#include <QtEndian>

#include <algorithm>

namespace WavData {

namespace {

constexpr qsizetype kHeaderBytes = 44;
constexpr quint16 kBytesPerSample = 2;

void putTag(char* at, const char (&tag)[5]) { std::copy(tag, tag + 4, at); }

} // namespace

QByteArray encode(const QList<float>& samples) {
    return encode(std::span<const float>(samples.constData(), size_t(samples.size())));
}

QByteArray encode(std::span<const float> samples) {
    const quint32 dataSize = quint32(samples.size() * kBytesPerSample);
    QByteArray wav(kHeaderBytes + qsizetype(dataSize), Qt::Uninitialized);
    char* header = wav.data();
    putTag(header, "RIFF");
    qToLittleEndian<quint32>(36 + dataSize, header + 4);
    putTag(header + 8, "WAVE");
    putTag(header + 12, "fmt ");
    qToLittleEndian<quint32>(16, header + 16); // size of the format chunk
    qToLittleEndian<quint16>(1, header + 20);  // PCM
    qToLittleEndian<quint16>(1, header + 22);  // mono
    qToLittleEndian<quint32>(kSampleRate, header + 24);
    qToLittleEndian<quint32>(kSampleRate * kBytesPerSample, header + 28);
    qToLittleEndian<quint16>(kBytesPerSample, header + 32);     // block alignment
    qToLittleEndian<quint16>(8 * kBytesPerSample, header + 34); // bits per sample
    putTag(header + 36, "data");
    qToLittleEndian<quint32>(dataSize, header + 40);

    char* pcm = header + kHeaderBytes;
    for (size_t i = 0; i < samples.size(); ++i) {
        const float value = samples[i];
        // Clamped to [-1, 1]; a NaN becomes silence rather than an undefined conversion.
        const float clamped = value >= -1.0f ? (value <= 1.0f ? value : 1.0f) : (value < -1.0f ? -1.0f : 0.0f);
        qToLittleEndian<qint16>(qint16(clamped * 32767.0f), pcm + kBytesPerSample * i);
    }
    return wav;
}

std::optional<QList<float>> decode(const QByteArray& wav) {
    if (wav.size() < kHeaderBytes)
        return std::nullopt;
    const char* header = wav.constData();
    const auto tag = [header](qsizetype at, const char* expected) {
        return std::equal(expected, expected + 4, header + at);
    };
    const quint32 dataSize = qFromLittleEndian<quint32>(header + 40);
    if (!tag(0, "RIFF") || !tag(8, "WAVE") || !tag(12, "fmt ") || !tag(36, "data")
        || qFromLittleEndian<quint16>(header + 20) != 1 || qFromLittleEndian<quint16>(header + 22) != 1
        || qFromLittleEndian<quint32>(header + 24) != quint32(kSampleRate)
        || qFromLittleEndian<quint16>(header + 34) != 8 * kBytesPerSample || dataSize % kBytesPerSample != 0
        || dataSize > quint64(wav.size() - kHeaderBytes))
        return std::nullopt;
    QList<float> samples(qsizetype(dataSize / kBytesPerSample));
    const char* pcm = header + kHeaderBytes;
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] = std::max(-1.0f, float(qFromLittleEndian<qint16>(pcm + kBytesPerSample * i)) / 32767.0f);
    return samples;
}

} // namespace WavData
