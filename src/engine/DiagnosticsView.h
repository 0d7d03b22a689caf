#pragma once

#include "engine/EngineBootstrap.h"
#include "engine/MicTestVerdict.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QFrame;

// The microphone test: records a short take with its own Recorder, sends it
// through the speech server as a dictation would, shows the verdict and a
// copyable report, keeps the take as "mic-test.wav" and, when the engine is at
// fault, offers the engine repair, whose progress it follows in the shared
// EngineBootstrap. GUI thread; one test at a time (the button is disabled
// while one runs).
class DiagnosticsView : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticsView(EngineBootstrap& bootstrap, QWidget* parent = nullptr);

    // The test button's action.
    void run();
    // Shows the outcome of a take: verdict, report, repair offer; resets a
    // finished provisioning stage when the repair is offered. `engineReplaced`:
    // the engine had stopped answering and was replaced before the take went.
    void showOutcome(const MicTestVerdict::Take& take, const Transcriber::Diagnosis& diagnosis,
                     std::optional<QString> savedWav, bool engineReplaced = false);
    void setPhase(MicTestVerdict::Phase phase, int secondsLeft = 0);

    MicTestVerdict::Phase phase() const { return m_phase; }
    QString verdict() const { return m_verdict.text; }
    QString report() const { return m_report; }
    bool canRepair() const { return m_canRepair; }
    std::optional<QString> savedWav() const { return m_savedWav; }
    QString buttonText() const;

private:
    void perform();
    void countdown(class Recorder* recorder, int secondsLeft);
    void finishTake(class Recorder* recorder);
    void copyReport();
    void reveal();
    void refresh();

    EngineBootstrap& m_bootstrap;
    MicTestVerdict::Phase m_phase = MicTestVerdict::Phase::Idle;
    int m_secondsLeft = 0;
    QString m_report;
    int m_copies = 0;
    MicTestVerdict::Verdict m_verdict;
    std::optional<QString> m_savedWav;
    bool m_canRepair = false;

    QPushButton* m_testButton;
    QLabel* m_verdictLabel;
    QPlainTextEdit* m_reportBox;
    QPushButton* m_copyButton;
    QPushButton* m_revealButton;
    QLabel* m_revealHint;
    QFrame* m_divider;
    QLabel* m_repairMessage;
    QProgressBar* m_repairProgress;
    QLabel* m_repairDetail;
    QPushButton* m_repairButton;
};
