#pragma once

#include "engine/VoiceTuning.h"
#include "looks/SettingsForm.h"

#include <functional>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class StepRow;

// The Your voice page: the sixteen sentences to read, one take at a time,
// then the tuning run with its stages and the outcome in words. All logic
// is the controller's; the page shows its state and offers only the buttons
// that fit it. Leaving the page does not stop a run. GUI thread only.
class VoiceTuningView : public SettingsForm {
    Q_OBJECT
public:
    static constexpr int kTakes = VoiceTuning::kTrainingTakes + VoiceTuning::kCheckingTakes;
    static constexpr int kRecordedSize = 13;
    static constexpr int kRecordedBarWidth = 160;
    static constexpr int kSentenceSize = 17;
    static constexpr int kLevelBarWidth = 120;
    // The meter reads the level four times larger, full from a quarter up.
    static constexpr float kLevelGain = 4;
    static constexpr int kHeadlineSize = 15;
    static constexpr int kOutcomeSpacing = 4;
    static constexpr int kStepSpacing = 8;

    // What the page shows of the controller.
    struct State {
        VoiceTuning::Phase phase;
        int trainingTakes = 0;
        int checkingTakes = 0;
        float level = 0;
        // The sentence to read next; none once every take exists.
        std::optional<QString> sentence;
        // A stored adapter is in force: it may be turned off.
        bool adapterInForce = false;

        int captured() const { return trainingTakes + checkingTakes; }
        static State of(const VoiceTuning& tuning);
    };

    // What the buttons call; an empty entry does nothing.
    struct Actions {
        std::function<void()> beginRecording;
        std::function<void()> finishRecording;
        std::function<void()> discardLast;
        std::function<void()> reset;
        std::function<void()> run;
        std::function<void()> turnOff;

        static Actions of(VoiceTuning& tuning);
    };

    // Shows `tuning`, follows each change of it and calls it from the
    // buttons. `tuning` outlives the page.
    explicit VoiceTuningView(VoiceTuning& tuning, QWidget* parent = nullptr);
    // Shows the states given to showState() and calls `actions`.
    explicit VoiceTuningView(Actions actions, QWidget* parent = nullptr);

    void showState(const State& state);

    static QString headline(const VoiceTuning::Outcome& outcome);
    static QString detail(const VoiceTuning::Outcome& outcome);

    QLabel* recordedCount() const { return m_recorded; }
    SettingsSection* sentenceSection() const { return m_sentenceSection; }
    QLabel* sentence() const { return m_sentence; }
    QPushButton* recordButton() const { return m_record; }
    QPushButton* stopButton() const { return m_stop; }
    QProgressBar* levelBar() const { return m_level; }
    QLabel* listening() const { return m_listening; }
    // The result row's texts: a failure, an outcome's headline and detail, or the hint.
    QLabel* failure() const { return m_failure; }
    QLabel* outcomeHeadline() const { return m_headline; }
    QLabel* outcomeDetail() const { return m_detail; }
    QLabel* hint() const { return m_hint; }
    // The run's three stages and the note under them; shown only while a run is under way.
    QWidget* stepsColumn() const { return m_steps; }
    QList<StepRow*> stepRows() const { return m_stepRows; }
    QPushButton* tuneButton() const { return m_tune; }
    QPushButton* turnOffButton() const { return m_turnOff; }
    QPushButton* startOverButton() const { return m_startOver; }
    QPushButton* undoButton() const { return m_undo; }

private:
    void pressDefault();
    void showResult(const VoiceTuning::Phase& phase);

    Actions m_actions;
    QLabel* m_recorded = nullptr;
    QProgressBar* m_recordedBar = nullptr;
    SettingsSection* m_sentenceSection = nullptr;
    QLabel* m_sentence = nullptr;
    QPushButton* m_record = nullptr;
    QPushButton* m_stop = nullptr;
    QProgressBar* m_level = nullptr;
    QLabel* m_listening = nullptr;
    QLabel* m_failure = nullptr;
    QWidget* m_outcome = nullptr;
    QLabel* m_headline = nullptr;
    QLabel* m_detail = nullptr;
    QWidget* m_steps = nullptr;
    QList<StepRow*> m_stepRows;
    QLabel* m_hint = nullptr;
    QPushButton* m_tune = nullptr;
    QPushButton* m_turnOff = nullptr;
    QPushButton* m_startOver = nullptr;
    QPushButton* m_undo = nullptr;
};
