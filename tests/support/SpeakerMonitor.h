#pragma once

#include <QByteArray>
#include <QProcess>
#include <QtEndian>

#include <cmath>

// Records what the desktop harness's null speaker plays ("spk.monitor") with
// parecord, as 16 kHz mono 16-bit samples, for desktop tests and benchmarks.
class SpeakerMonitor {
public:
    static constexpr int kRate = 16000;

    SpeakerMonitor() {
        m_parecord.start(QStringLiteral("parecord"),
                         {QStringLiteral("--device=spk.monitor"), QStringLiteral("--raw"),
                          QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                          QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        m_started = m_parecord.waitForStarted(5000);
    }
    ~SpeakerMonitor() { stop(); }
    SpeakerMonitor(const SpeakerMonitor&) = delete;
    SpeakerMonitor& operator=(const SpeakerMonitor&) = delete;

    bool started() const { return m_started; }

    // Everything recorded so far.
    QByteArray samples() {
        m_pcm += m_parecord.readAllStandardOutput();
        return m_pcm;
    }
    // Ends the recording (parecord is ours: stopped by its process).
    QByteArray stop() {
        if (m_parecord.state() != QProcess::NotRunning) {
            m_pcm += m_parecord.readAllStandardOutput();
            m_parecord.terminate();
            if (!m_parecord.waitForFinished(3000))
                m_parecord.kill();
            m_parecord.waitForFinished(1000);
            m_pcm += m_parecord.readAllStandardOutput();
        }
        return m_pcm;
    }

    // Seconds of 20 ms frames whose loudness is above `threshold` (of 32767).
    static double voicedSeconds(const QByteArray& pcm, double threshold = 300) {
        constexpr int kFrame = kRate / 50;
        const qsizetype samples = pcm.size() / 2;
        int voiced = 0;
        for (qsizetype start = 0; start + kFrame <= samples; start += kFrame) {
            double sum = 0;
            for (qsizetype i = start; i < start + kFrame; ++i) {
                const double value = qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
                sum += value * value;
            }
            if (std::sqrt(sum / kFrame) > threshold)
                ++voiced;
        }
        return voiced / 50.0;
    }

private:
    QProcess m_parecord;
    QByteArray m_pcm;
    bool m_started = false;
};
