#include "engine/MicTestVerdict.h"

#include "platform/Wording.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace MicTestVerdict {

Verdict interpret(float peakLevel, const Transcriber::Diagnosis& diagnosis) {
    // Waiting or a repair cannot help: the port is not the program's to use.
    if (diagnosis.heldByAnotherAccount && diagnosis.error)
        return {*diagnosis.error, Color::Red};
    if (diagnosis.error)
        return {QStringLiteral("Couldn't reach the voice engine. It may still be starting up. Wait a moment and try "
                               "again.\n(%1)")
                    .arg(*diagnosis.error),
                Color::Red};
    if (peakLevel < kSilenceLevel)
        return {
            Wording::of(QStringLiteral("The mic captured almost no sound. Check System Settings \u203a Sound \u203a "
                                       "Input and speak into the right microphone.")),
            Color::Orange};
    if (diagnosis.status == 200 && diagnosis.transcript.isEmpty())
        return {QStringLiteral("Your mic works and the engine is running, but it recognized no words in clear audio. "
                               "Likely a bad audio format or a damaged speech model."),
                Color::Red};
    if (diagnosis.status == 200)
        return {QStringLiteral("Everything works. Heard: \u201c%1\u201d").arg(diagnosis.transcript), Color::Green};
    return {QStringLiteral("Sound was captured, but the voice engine returned an error (HTTP %1). This points at the "
                           "speech model, not your mic.")
                .arg(diagnosis.status),
            Color::Red};
}

QString report(const Take& take, const Transcriber::Diagnosis& diagnosis, bool engineReplaced) {
    QStringList lines{
        QStringLiteral("input device: ") + take.deviceName,
        QStringLiteral("input format: ") + take.inputFormat,
        QStringLiteral("captured: %1s, peak level %2")
            .arg(double(take.sampleCount) / kSampleRate, 0, 'f', 1)
            .arg(double(take.peakLevel), 0, 'f', 3),
    };
    if (engineReplaced)
        lines.append(QStringLiteral("engine: took connections but answered nothing, so it was restarted"));
    if (diagnosis.error) {
        lines.append(QStringLiteral("engine: unreachable (%1)").arg(*diagnosis.error));
    } else {
        lines.append(QStringLiteral("engine HTTP: %1").arg(diagnosis.status));
        if (diagnosis.transcript.isEmpty()) {
            lines.append(QStringLiteral("transcript: <empty>"));
            lines.append(QStringLiteral("engine body: ") + diagnosis.bodyExcerpt);
        } else {
            lines.append(QStringLiteral("transcript: ") + diagnosis.transcript);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

bool canRepair(float peakLevel, const Transcriber::Diagnosis& diagnosis) {
    if (peakLevel < kSilenceLevel || diagnosis.heldByAnotherAccount)
        return false;
    return diagnosis.error || diagnosis.status != 200 || diagnosis.transcript.isEmpty();
}

QString buttonLabel(Phase phase, int secondsLeft) {
    switch (phase) {
    case Phase::Recording:
        return QStringLiteral("Listening\u2026 %1").arg(secondsLeft);
    case Phase::Idle:
        return QStringLiteral("Record %1 seconds and test").arg(kRecordSeconds);
    case Phase::Testing:
        return QStringLiteral("Checking the voice engine\u2026");
    case Phase::Done:
        return QStringLiteral("Run the test again");
    }
    return {};
}

std::optional<QString> saveWav(const QByteArray& wav) {
    const QString folder = Paths::applicationSupport() + QStringLiteral("/Quorvane Native/diagnostics");
    const QString path = folder + QStringLiteral("/mic-test.wav");
    QSaveFile file(path);
    if (PrivateFiles::open(file, QIODevice::WriteOnly)) {
        file.write(wav);
        file.commit();
    }
    return QFileInfo::exists(path) ? std::optional(path) : std::nullopt;
}

} // namespace MicTestVerdict
