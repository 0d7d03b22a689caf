#include "engine/VoiceTuningView.h"

#include "engine/StepRow.h"
#include "looks/PixelFont.h"
#include "looks/TextColours.h"
#include "platform/Wording.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

using Phase = VoiceTuning::Phase;
using Outcome = VoiceTuning::Outcome;

constexpr int kCaptionSize = 11;
constexpr int kBarHeight = 6;
// The meter's scale: a level of 1 fills it.
constexpr int kLevelSteps = 1000;
constexpr int kControlSpacing = 10;

QLabel* caption(const QString& text = {}) {
    auto* label = new QLabel(text);
    label->setFont(pixelFont(kCaptionSize));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* orangeCaption(const QString& text = {}) {
    QLabel* label = caption(text);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, TextColours::orange(colours));
    label->setPalette(colours);
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

// A thin bar tinted with the page's accent.
QProgressBar* emberBar(int width, int maximum) {
    auto* bar = new QProgressBar;
    bar->setTextVisible(false);
    bar->setRange(0, maximum);
    bar->setFixedSize(width, kBarHeight);
    QPalette colours = bar->palette();
    colours.setColor(QPalette::Highlight, StepRow::kEmber);
    bar->setPalette(colours);
    return bar;
}

QWidget* column(int spacing, QVBoxLayout*& layout) {
    auto* holder = new QWidget;
    layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return holder;
}

QWidget* line(int spacing, QHBoxLayout*& layout) {
    auto* holder = new QWidget;
    layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return holder;
}

QPushButton* button(const QString& title, QHBoxLayout* line) {
    auto* pushed = new QPushButton(title);
    pushed->setAutoDefault(false);
    line->addWidget(pushed);
    return pushed;
}

bool underWay(const Phase& phase) {
    return phase.kind == Phase::Kind::MeasuringBefore || phase.kind == Phase::Kind::Tuning
           || phase.kind == Phase::Kind::MeasuringAfter;
}

// Listening before tuning, learning your voice, listening again.
std::array<StepRow::State, 3> stagesOf(const Phase& phase) {
    using Step = StepRow::State;
    const int measured = VoiceTuning::kCheckingTakes;
    switch (phase.kind) {
    case Phase::Kind::MeasuringBefore:
        return {Step::running(phase.count, measured), Step::waiting(), Step::waiting()};
    case Phase::Kind::Tuning:
        return {Step::finished(measured), Step::running(phase.count, phase.of), Step::waiting()};
    case Phase::Kind::MeasuringAfter:
        return {Step::finished(measured), Step::finished(), Step::running(phase.count, measured)};
    default:
        return {Step::waiting(), Step::waiting(), Step::waiting()};
    }
}

void call(const std::function<void()>& action) {
    if (action)
        action();
}

} // namespace

VoiceTuningView::State VoiceTuningView::State::of(const VoiceTuning& tuning) {
    return {tuning.phase(), int(tuning.trainingClips().size()), int(tuning.checkingClips().size()),
            tuning.level(), tuning.currentSentence(),           VoiceTuning::adapterInForce()};
}

VoiceTuningView::Actions VoiceTuningView::Actions::of(VoiceTuning& tuning) {
    Actions actions;
    actions.beginRecording = [&tuning] { tuning.beginRecording(); };
    actions.finishRecording = [&tuning] { tuning.finishRecording(); };
    actions.discardLast = [&tuning] { tuning.discardLast(); };
    actions.reset = [&tuning] { tuning.reset(); };
    // The run belongs to the controller and outlives the page.
    actions.run = [&tuning] { tuning.run(); };
    actions.turnOff = [&tuning] { tuning.turnOff(); };
    return actions;
}

VoiceTuningView::VoiceTuningView(VoiceTuning& tuning, QWidget* parent) : VoiceTuningView(Actions::of(tuning), parent) {
    const auto follow = [this, &tuning] { showState(State::of(tuning)); };
    connect(&tuning, &VoiceTuning::phaseChanged, this, follow);
    connect(&tuning, &VoiceTuning::clipsChanged, this, follow);
    connect(&tuning, &VoiceTuning::levelChanged, this, follow);
    follow();
}

VoiceTuningView::VoiceTuningView(Actions actions, QWidget* parent)
    : SettingsForm(tr("Your voice"), parent), m_actions(std::move(actions)) {
    SettingsSection* read = addSection(tr("Read these out loud"));
    read->addHelp(tr("Twelve sentences to learn from, then four more it will never train on. Those four are the test: "
                     "the error rate on them, before and after, is the only honest answer to whether this works. Say "
                     "them however they come out. Stumbles are useful, and a performance teaches it a voice you do "
                     "not use."));
    auto* progress = new QWidget;
    auto* progressLine = new QHBoxLayout(progress);
    progressLine->setContentsMargins(0, 0, 0, 0);
    m_recorded = new QLabel;
    QFont counted = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    counted.setPixelSize(kRecordedSize);
    m_recorded->setFont(counted);
    progressLine->addWidget(m_recorded);
    progressLine->addStretch(1);
    m_recordedBar = emberBar(kRecordedBarWidth, kTakes);
    progressLine->addWidget(m_recordedBar);
    read->add(progress);

    m_sentenceSection = addSection(QString());
    m_sentence = new QLabel;
    m_sentence->setFont(pixelFont(kSentenceSize, QFont::Medium));
    m_sentence->setWordWrap(true);
    m_sentence->setTextFormat(Qt::PlainText);
    m_sentence->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_sentenceSection->add(m_sentence);
    QHBoxLayout* controlLine = nullptr;
    QWidget* controls = line(kControlSpacing, controlLine);
    m_record = button(tr("Record"), controlLine);
    m_stop = button(tr("Stop"), controlLine);
    // Both are the page's default action, whichever is shown.
    m_record->setDefault(true);
    m_stop->setDefault(true);
    m_level = emberBar(kLevelBarWidth, kLevelSteps);
    controlLine->addWidget(m_level);
    m_listening = orangeCaption(tr("listening"));
    m_listening->setWordWrap(false);
    controlLine->addWidget(m_listening);
    controlLine->addStretch(1);
    m_sentenceSection->add(controls);

    SettingsSection* result = addSection(tr("Result"));
    m_failure = orangeCaption();
    result->add(m_failure);
    QVBoxLayout* outcomeColumn = nullptr;
    m_outcome = column(kOutcomeSpacing, outcomeColumn);
    m_headline = new QLabel;
    m_headline->setTextFormat(Qt::PlainText);
    m_headline->setFont(pixelFont(kHeadlineSize, QFont::DemiBold));
    m_headline->setWordWrap(true);
    outcomeColumn->addWidget(m_headline);
    m_detail = caption();
    outcomeColumn->addWidget(m_detail);
    result->add(m_outcome);
    QVBoxLayout* stepColumn = nullptr;
    m_steps = column(kStepSpacing, stepColumn);
    for (const QString& title : {tr("Listening before tuning"), tr("Learning your voice"), tr("Listening again")}) {
        m_stepRows.append(new StepRow(title));
        stepColumn->addWidget(m_stepRows.last());
    }
    stepColumn->addWidget(caption(tr("Keep Quorvane open.")));
    result->add(m_steps);
    m_hint = caption(tr("Record all %1, then tune.").arg(kTakes));
    result->add(m_hint);
    QHBoxLayout* buttonLine = nullptr;
    QWidget* buttons = line(kControlSpacing, buttonLine);
    m_tune = button(tr("Tune and measure"), buttonLine);
    m_turnOff = button(tr("Turn off tuning"), buttonLine);
    m_startOver = button(tr("Start over"), buttonLine);
    m_undo = button(tr("Undo last"), buttonLine);
    buttonLine->addStretch(1);
    result->add(buttons);
    result->addHelp(
        Wording::of(tr("Everything here stays on this Mac. The tuning is 256 numbers in a file you can delete.")));
    finish();

    connect(m_record, &QPushButton::clicked, this, [this] { call(m_actions.beginRecording); });
    connect(m_stop, &QPushButton::clicked, this, [this] { call(m_actions.finishRecording); });
    connect(m_tune, &QPushButton::clicked, this, [this] { call(m_actions.run); });
    connect(m_turnOff, &QPushButton::clicked, this, [this] { call(m_actions.turnOff); });
    connect(m_startOver, &QPushButton::clicked, this, [this] { call(m_actions.reset); });
    connect(m_undo, &QPushButton::clicked, this, [this] { call(m_actions.discardLast); });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &VoiceTuningView::pressDefault);
    }
    showState(State{});
}

void VoiceTuningView::pressDefault() {
    for (QPushButton* pressed : {m_record, m_stop})
        if (!pressed->isHidden() && pressed->isEnabled() && !m_sentenceSection->isHidden()) {
            pressed->click();
            return;
        }
}

void VoiceTuningView::showState(const State& state) {
    const Phase& phase = state.phase;
    const int captured = state.captured();
    const bool running = underWay(phase);
    const bool recording = phase.kind == Phase::Kind::Recording;
    const bool done = phase.kind == Phase::Kind::Done;

    m_recorded->setText(tr("%1 of %2 recorded").arg(captured).arg(kTakes));
    m_recordedBar->setValue(std::clamp(captured, 0, kTakes));

    m_sentenceSection->setVisible(state.sentence.has_value());
    const int training = VoiceTuning::kTrainingTakes;
    m_sentenceSection->setTitle(state.trainingTakes < training
                                    ? tr("Sentence %1 of %2").arg(state.trainingTakes + 1).arg(training)
                                    : tr("Held back for testing"));
    m_sentence->setText(state.sentence.value_or(QString()));
    m_record->setVisible(!recording);
    m_record->setEnabled(!running);
    m_stop->setVisible(recording);
    m_level->setVisible(recording);
    m_level->setValue(qRound(std::clamp(state.level * kLevelGain, 0.0f, 1.0f) * kLevelSteps));
    m_listening->setVisible(recording);

    showResult(phase);

    m_tune->setText(done ? tr("Tune again") : tr("Tune and measure"));
    m_tune->setEnabled(captured >= kTakes && !running);
    m_turnOff->setVisible(state.adapterInForce && !running);
    m_startOver->setEnabled(captured >= 1 && !running);
    m_undo->setVisible(captured >= 1 && !running && !done);
}

void VoiceTuningView::showResult(const Phase& phase) {
    const bool failed = phase.kind == Phase::Kind::Failed;
    const bool done = phase.kind == Phase::Kind::Done;
    const bool running = underWay(phase);
    m_failure->setVisible(failed);
    m_failure->setText(failed ? phase.message : QString());
    m_outcome->setVisible(done);
    m_headline->setText(done ? headline(phase.outcome) : QString());
    m_detail->setText(done ? detail(phase.outcome) : QString());
    m_steps->setVisible(running);
    const std::array<StepRow::State, 3> stages = stagesOf(phase);
    for (int index = 0; index < m_stepRows.size(); ++index)
        m_stepRows[index]->setState(stages[index]);
    m_hint->setVisible(!failed && !done && !running);
}

QString VoiceTuningView::headline(const Outcome& outcome) {
    switch (outcome.kind) {
    case Outcome::Kind::AlreadyPerfect:
        return tr("It heard every word right before tuning.");
    case Outcome::Kind::Better:
        return tr("Fewer mistakes: %1 before, %2 after.").arg(outcome.before).arg(outcome.after);
    case Outcome::Kind::NotBetter:
        return tr("Tuning didn\u2019t help your voice.");
    case Outcome::Kind::TurnedOff:
        return tr("Tuning is off.");
    }
    return {};
}

QString VoiceTuningView::detail(const Outcome& outcome) {
    switch (outcome.kind) {
    case Outcome::Kind::AlreadyPerfect:
        return tr("0 mistakes in %1 words it never practiced on. Your voice doesn\u2019t need tuning, so nothing was "
                  "changed.")
            .arg(outcome.words);
    case Outcome::Kind::Better:
        return tr("Out of %1 words it never practiced on. Tuning is now on for all your dictation.").arg(outcome.words);
    case Outcome::Kind::NotBetter:
        return tr("%1 mistakes before, %2 after, out of %3 words. It was turned off, so dictation works exactly as "
                  "before.")
            .arg(outcome.before)
            .arg(outcome.after)
            .arg(outcome.words);
    case Outcome::Kind::TurnedOff:
        return tr("Dictation works exactly as before. Your recordings are kept if you want to tune again.");
    }
    return {};
}
