#include "selftests/SelfTestRun.h"
#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "audio/AudioInputDevice.h"
#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"

namespace SelfTests {
namespace {

using namespace std::chrono_literals;

constexpr auto kRecording = 2500ms;
constexpr double kTranscriptionTimeout = 60.0;
// A take whose level never reached this heard nothing.
constexpr float kSilentBelow = 0.02f;

QString line(const QString& text) { return text + QLatin1Char('\n'); }

// One take of its own, apart from the dictation's, then its transcription.
class MicrophoneCheck : public SelfTestRun {
public:
    explicit MicrophoneCheck(QString path) : m_path(std::move(path)) {}

    void record() {
        const std::optional<quint32> device = AudioInputDevice::best();
        m_text = line(QStringLiteral("device=") + (device ? AudioInputDevice::name(*device) : QStringLiteral("none")));
        if (const std::optional<QuorvaneError> error = m_recorder.start()) {
            SelfTestText::write(m_path, m_text + line(QStringLiteral("error=") + error->localizedDescription()));
            end();
            return;
        }
        after(kRecording, [this] { transcribe(); });
    }

private:
    void transcribe() {
        if (m_recorder.isRunning())
            m_recorder.stop();
        const QList<float> samples = m_recorder.samples();
        const float peak = m_recorder.peakLevel();
        m_text += line(QStringLiteral("format=") + m_recorder.inputFormatInfo());
        m_text += line(QStringLiteral("peak=%1 samples=%2 seconds=%3")
                           .arg(SelfTestText::decimal(peak))
                           .arg(samples.size())
                           .arg(SelfTestText::oneDecimal(double(samples.size()) / Recorder::sampleRate)));
        m_text += line(peak < kSilentBelow ? QStringLiteral("capture=SILENT") : QStringLiteral("capture=CAPTURING"));
        const QByteArray wav = WavData::encode(samples);
        // Whether the engine came up or not, the request tells what happened.
        MlxServer::shared().ensureReady().then(this, [this, wav](bool) {
            Transcriber::diagnose(wav, kTranscriptionTimeout).then(this, [this](const Transcriber::Diagnosis& answer) {
                const bool empty = answer.transcript.isEmpty();
                m_text += line(
                    QStringLiteral("http=%1 transcript=%2")
                        .arg(QString::number(answer.status), empty ? QStringLiteral("<empty>") : answer.transcript));
                if (empty)
                    m_text += line(QStringLiteral("body=") + answer.bodyExcerpt);
                SelfTestText::write(m_path, m_text);
                end();
            });
        });
    }

    const QString m_path;
    Recorder m_recorder;
    QString m_text;
};

} // namespace

void recordAndTranscribe(const QString& path) { SelfTestRun::begin<MicrophoneCheck>(path)->record(); }

} // namespace SelfTests
