#include "engine/DiagnosticsView.h"

#include "audio/AudioInputDevice.h"
#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "engine/DownloadSize.h"
#include "engine/MlxServer.h"
#include "engine/ModelTable.h"
#include "looks/Symbols.h"
#include "looks/TextColours.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "state/Announce.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using MicTestVerdict::Phase;

constexpr auto kTick = 1s;
constexpr auto kCopiedFor = 1600ms;
constexpr double kDiagnoseSeconds = 60;
constexpr int kSide = 520;
constexpr int kReportHeight = 150;
constexpr int kButtonWidth = 220;
constexpr int kProgressWidth = 320;
constexpr int kSymbolSize = 40;
// Tighter than the 16 points of the design, so the full repair section fits
// under a report in 520 x 520.
constexpr int kSpacing = 8;

// The verdict's colour in its shade for text on this look.
QString colorName(MicTestVerdict::Color color, const QPalette& palette) {
    switch (color) {
    case MicTestVerdict::Color::Red:
        return TextColours::red(palette).name();
    case MicTestVerdict::Color::Orange:
        return TextColours::orange(palette).name();
    case MicTestVerdict::Color::Green:
        return TextColours::green(palette).name();
    case MicTestVerdict::Color::Secondary:
        break;
    }
    return palette.color(QPalette::PlaceholderText).name();
}

QLabel* wrapped(const QString& text, const QString& style) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(style);
    return label;
}

} // namespace

DiagnosticsView::DiagnosticsView(EngineBootstrap& bootstrap, QWidget* parent)
    : QWidget(parent), m_bootstrap(bootstrap) {
    setFixedSize(kSide, kSide);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 22, 20, 22);
    column->setSpacing(kSpacing);

    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    header->setContentsMargins(4, 0, 4, 0);
    auto* symbol = new QLabel;
    symbol->setAlignment(Qt::AlignCenter);
    symbol->setPixmap(Symbols::icon(QStringLiteral("waveform")).pixmap(kSymbolSize, kSymbolSize));
    header->addWidget(symbol);
    header->addWidget(
        wrapped(QStringLiteral("Microphone Test"), QStringLiteral("font-size: 20px; font-weight: bold;")));
    header->addWidget(
        wrapped(QStringLiteral("Click the button, then say a full sentence out loud, like \u201cthe quick "
                               "brown fox jumps over the lazy dog.\u201d"),
                QStringLiteral("font-size: 12.5px; color: palette(placeholder-text);")));
    column->addLayout(header);

    m_testButton = new QPushButton;
    m_testButton->setMinimumWidth(kButtonWidth);
    connect(m_testButton, &QPushButton::clicked, this, &DiagnosticsView::run);
    column->addWidget(m_testButton, 0, Qt::AlignHCenter);

    m_verdictLabel = wrapped({}, {});
    column->addWidget(m_verdictLabel);

    m_reportBox = new QPlainTextEdit;
    m_reportBox->setReadOnly(true);
    m_reportBox->setFixedHeight(kReportHeight);
    m_reportBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_reportBox->setStyleSheet(QStringLiteral("font-family: monospace; font-size: 11.5px;"));
    column->addWidget(m_reportBox);

    m_copyButton = new QPushButton;
    connect(m_copyButton, &QPushButton::clicked, this, &DiagnosticsView::copyReport);
    column->addWidget(m_copyButton, 0, Qt::AlignHCenter);

    m_revealButton = new QPushButton(Wording::of(QStringLiteral("Reveal recording in Finder")));
    m_revealButton->setFlat(true);
    connect(m_revealButton, &QPushButton::clicked, this, &DiagnosticsView::reveal);
    column->addWidget(m_revealButton, 0, Qt::AlignHCenter);
    m_revealHint = wrapped(QStringLiteral("Send that file and a screenshot of this window to whoever is helping you."),
                           QStringLiteral("font-size: 11px; color: palette(placeholder-text);"));
    column->addWidget(m_revealHint);

    m_divider = new QFrame;
    m_divider->setFrameShape(QFrame::HLine);
    column->addWidget(m_divider);
    m_repairMessage = wrapped({}, {});
    column->addWidget(m_repairMessage);
    m_repairProgress = new QProgressBar;
    m_repairProgress->setMaximumWidth(kProgressWidth);
    m_repairProgress->setTextVisible(false);
    column->addWidget(m_repairProgress, 0, Qt::AlignHCenter);
    m_repairDetail = wrapped({}, QStringLiteral("font-size: 11px; color: palette(placeholder-text);"));
    column->addWidget(m_repairDetail);
    m_repairButton = new QPushButton(QStringLiteral("Repair speech engine"));
    m_repairButton->setStyleSheet(QStringLiteral("color: %1;").arg(TextColours::orange(palette()).name()));
    connect(m_repairButton, &QPushButton::clicked, this, [this] { (void)m_bootstrap.repair(); });
    column->addWidget(m_repairButton, 0, Qt::AlignHCenter);
    column->addStretch(1);

    connect(&m_bootstrap, &EngineBootstrap::stageChanged, this, &DiagnosticsView::refresh);
    connect(&m_bootstrap, &EngineBootstrap::progressChanged, this, &DiagnosticsView::refresh);
    connect(&m_bootstrap, &EngineBootstrap::detailChanged, this, &DiagnosticsView::refresh);
    connect(&m_bootstrap, &EngineBootstrap::busyChanged, this, &DiagnosticsView::refresh);
    refresh();
}

QString DiagnosticsView::buttonText() const { return MicTestVerdict::buttonLabel(m_phase, m_secondsLeft); }

void DiagnosticsView::setPhase(Phase phase, int secondsLeft) {
    m_phase = phase;
    m_secondsLeft = secondsLeft;
    refresh();
}

void DiagnosticsView::run() {
    if (m_bootstrap.isBusy() || (m_phase != Phase::Idle && m_phase != Phase::Done))
        return;
    m_report.clear();
    m_verdict = {};
    refresh();
    QTimer::singleShot(0, this, &DiagnosticsView::perform);
}

void DiagnosticsView::perform() {
    auto* recorder = new Recorder;
    if (const auto error = recorder->start()) {
        delete recorder;
        m_verdict = {QStringLiteral("The microphone would not start."), MicTestVerdict::Color::Red};
        m_report = QStringLiteral("error: ") + error->message;
        setPhase(Phase::Done);
        return;
    }
    countdown(recorder, MicTestVerdict::kRecordSeconds);
}

void DiagnosticsView::countdown(Recorder* recorder, int secondsLeft) {
    if (secondsLeft == 0) {
        finishTake(recorder);
        return;
    }
    setPhase(Phase::Recording, secondsLeft);
    QTimer::singleShot(kTick, this, [this, recorder, secondsLeft] { countdown(recorder, secondsLeft - 1); });
}

void DiagnosticsView::finishTake(Recorder* recorder) {
    recorder->stop();
    setPhase(Phase::Testing);
    const std::optional<quint32> device = AudioInputDevice::best();
    MicTestVerdict::Take take{device ? AudioInputDevice::name(*device) : QStringLiteral("none"),
                              recorder->inputFormatInfo(), 0, recorder->peakLevel()};
    const QList<float> samples = recorder->samples();
    delete recorder;
    take.sampleCount = samples.size();
    const QByteArray wav = WavData::encode(samples);
    const auto asked = std::chrono::steady_clock::now();
    MlxServer::shared().ensureReady().then(this, [this, take, wav, asked](bool) {
        const auto replaced = MlxServer::shared().lastSilentReplacement();
        const bool engineReplaced = replaced && *replaced >= asked;
        Transcriber::diagnose(wav, kDiagnoseSeconds)
            .then(this, [this, take, wav, engineReplaced](const Transcriber::Diagnosis& diagnosis) {
                showOutcome(take, diagnosis, MicTestVerdict::saveWav(wav), engineReplaced);
            });
    });
}

void DiagnosticsView::showOutcome(const MicTestVerdict::Take& take, const Transcriber::Diagnosis& diagnosis,
                                  std::optional<QString> savedWav, bool engineReplaced) {
    m_savedWav = std::move(savedWav);
    m_report = MicTestVerdict::report(take, diagnosis, engineReplaced);
    m_verdict = MicTestVerdict::interpret(take.peakLevel, diagnosis);
    m_canRepair = MicTestVerdict::canRepair(take.peakLevel, diagnosis);
    if (m_canRepair)
        m_bootstrap.resetToIdle();
    setPhase(Phase::Done);
}

void DiagnosticsView::copyReport() {
    QGuiApplication::clipboard()->setText(m_report);
    Announce::say(QStringLiteral("Diagnostics copied"), false);
    ++m_copies;
    refresh();
    QTimer::singleShot(kCopiedFor, this, [this] {
        m_copies = 0;
        refresh();
    });
}

void DiagnosticsView::reveal() {
    FileManager* files = Platform::current().fileManager;
    if (m_savedWav && files)
        files->reveal(*m_savedWav);
}

void DiagnosticsView::refresh() {
    using Stage = EngineBootstrap::Stage;
    m_testButton->setText(buttonText());
    // A test while the engine is being set up or repaired would find no server.
    const bool busy = m_bootstrap.isBusy();
    m_testButton->setEnabled((m_phase == Phase::Idle || m_phase == Phase::Done) && !busy);
    m_verdictLabel->setVisible(!m_verdict.text.isEmpty());
    m_verdictLabel->setText(m_verdict.text);
    m_verdictLabel->setStyleSheet(
        QStringLiteral("font-size: 13px; font-weight: 600; color: %1;").arg(colorName(m_verdict.color, palette())));
    const bool reported = !m_report.isEmpty();
    if (m_reportBox->toPlainText() != m_report)
        m_reportBox->setPlainText(m_report);
    m_reportBox->setVisible(reported);
    m_copyButton->setVisible(reported);
    m_copyButton->setText(m_copies > 0 ? QStringLiteral("Copied") : QStringLiteral("Copy report"));
    m_revealButton->setVisible(reported && m_savedWav.has_value());
    m_revealHint->setVisible(reported && m_savedWav.has_value());

    const Stage stage = m_bootstrap.stage();
    const bool working =
        stage == Stage::Checking || stage == Stage::Venv || stage == Stage::Models || stage == Stage::Warming;
    m_divider->setVisible(m_canRepair);
    m_repairButton->setVisible(m_canRepair && (stage == Stage::Idle || stage == Stage::Failed));
    m_repairButton->setEnabled(!busy);
    m_repairProgress->setVisible(m_canRepair && working);
    m_repairDetail->setVisible(m_canRepair && working);
    m_repairMessage->setVisible(m_canRepair && !working);
    if (stage == Stage::Models) {
        m_repairProgress->setRange(0, 1000);
        m_repairProgress->setValue(int(m_bootstrap.progress() * 1000));
    } else {
        m_repairProgress->setRange(0, 0);
    }
    m_repairDetail->setText(m_bootstrap.detail().isEmpty() ? QStringLiteral("Repairing\u2026") : m_bootstrap.detail());
    switch (stage) {
    case Stage::Idle:
        m_repairMessage->setText(QStringLiteral("This rebuilds the speech engine and downloads a fresh dictation model "
                                                "(%1). Give it several minutes.")
                                     .arg(DownloadSize::about(ModelTable::totalBytes(ModelTable::files()))));
        m_repairMessage->setStyleSheet(QStringLiteral("font-size: 11.5px; color: palette(placeholder-text);"));
        break;
    case Stage::Failed:
        m_repairMessage->setText(m_bootstrap.failureMessage());
        m_repairMessage->setStyleSheet(
            QStringLiteral("font-size: 11.5px; color: %1;").arg(TextColours::red(palette()).name()));
        break;
    case Stage::Ready:
        m_repairMessage->setText(QStringLiteral("Repaired. Run the test again to confirm."));
        m_repairMessage->setStyleSheet(
            QStringLiteral("font-size: 12px; font-weight: 600; color: %1;").arg(TextColours::green(palette()).name()));
        break;
    default:
        break;
    }
}
