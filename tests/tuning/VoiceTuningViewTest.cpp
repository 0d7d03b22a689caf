// The Your voice page in each tuning phase, its buttons, its wiring to the
// controller, and its look.
#include "engine/VoiceTuningView.h"
#include "audio/Recorder.h"
#include "engine/StepRow.h"
#include "looks/TextColours.h"
#include "settings/PageRender.h"
#include "support/FakeAudioInput.h"
#include "support/QtPrinting.h"
#include "support/QuorvaneError.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Phase = VoiceTuning::Phase;
using Outcome = VoiceTuning::Outcome;
using State = VoiceTuningView::State;

State state(Phase phase, int training, int checking, float level = 0, bool adapterInForce = false) {
    std::optional<QString> sentence;
    if (training < VoiceTuning::kTrainingTakes)
        sentence = VoiceTuning::trainingSentences().at(training);
    else if (checking < VoiceTuning::kCheckingTakes)
        sentence = VoiceTuning::checkingSentences().at(checking);
    return {phase, training, checking, level, sentence, adapterInForce};
}

// What a person sees on the page, one line per thing, top to bottom.
QStringList seen(const VoiceTuningView& view) {
    QStringList lines{view.recordedCount()->text()};
    if (view.sentenceSection()->isVisibleTo(&view))
        lines << view.sentenceSection()->title() + ": " + view.sentence()->text();
    const auto shown = [&](const QWidget* widget) { return widget->isVisibleTo(&view); };
    if (shown(view.failure()))
        lines << view.failure()->text();
    if (shown(view.outcomeHeadline()))
        lines << view.outcomeHeadline()->text() << view.outcomeDetail()->text();
    if (shown(view.stepsColumn()))
        for (const StepRow* row : view.stepRows()) {
            static const char* kinds[] = {"running", "finished", "waiting"};
            const QString count = StepRow::count(row->state());
            lines << QStringLiteral("%1%2 (%3)")
                         .arg(row->title(), count.isEmpty() ? QString() : " " + count, kinds[int(row->state().kind)]);
        }
    if (shown(view.hint()))
        lines << view.hint()->text();
    for (const QPushButton* button : {view.recordButton(), view.stopButton(), view.tuneButton(), view.turnOffButton(),
                                      view.startOverButton(), view.undoButton()})
        if (shown(button))
            lines << button->text() + (button->isEnabled() ? "" : " (disabled)");
    return lines;
}

TEST(VoiceTuningView, EachPhaseShowsItsTextsAndOnlyTheButtonsThatFit) {
    const QString first = VoiceTuning::trainingSentences().first();
    const struct {
        const char* name;
        State state;
        QStringList lines;
    } rows[] = {
        {"fresh",
         state(Phase::idle(), 0, 0),
         {"0 of 16 recorded", "Sentence 1 of 12: " + first, "Record all 16, then tune.", "Record",
          "Tune and measure (disabled)", "Start over (disabled)"}},
        {"recording a held-back take",
         state(Phase::recording(12, true), 12, 0),
         {"12 of 16 recorded", "Held back for testing: " + VoiceTuning::checkingSentences().first(),
          "Record all 16, then tune.", "Stop", "Tune and measure (disabled)", "Start over", "Undo last"}},
        {"all taken",
         state(Phase::idle(), 12, 4),
         {"16 of 16 recorded", "Record all 16, then tune.", "Tune and measure", "Start over", "Undo last"}},
        {"measuring before",
         state(Phase::measuringBefore(2), 12, 4),
         {"16 of 16 recorded", "Listening before tuning 2 of 4 (running)", "Learning your voice (waiting)",
          "Listening again (waiting)", "Tune and measure (disabled)", "Start over (disabled)"}},
        {"tuning before the server reports",
         state(Phase::tuning(0, 0), 12, 4),
         {"16 of 16 recorded", "Listening before tuning 4 of 4 (finished)", "Learning your voice (running)",
          "Listening again (waiting)", "Tune and measure (disabled)", "Start over (disabled)"}},
        {"tuning",
         state(Phase::tuning(7, 40), 12, 4),
         {"16 of 16 recorded", "Listening before tuning 4 of 4 (finished)", "Learning your voice 7 of 40 (running)",
          "Listening again (waiting)", "Tune and measure (disabled)", "Start over (disabled)"}},
        {"measuring after",
         state(Phase::measuringAfter(1), 12, 4),
         {"16 of 16 recorded", "Listening before tuning 4 of 4 (finished)", "Learning your voice (finished)",
          "Listening again 1 of 4 (running)", "Tune and measure (disabled)", "Start over (disabled)"}},
        {"better",
         state(Phase::done(Outcome::better(5, 2, 33)), 12, 4, 0, true),
         {"16 of 16 recorded", "Fewer mistakes: 5 before, 2 after.",
          "Out of 33 words it never practiced on. Tuning is now on for all your dictation.", "Tune again",
          "Turn off tuning", "Start over"}},
        {"an adapter stored by an earlier run",
         state(Phase::idle(), 0, 0, 0, true),
         {"0 of 16 recorded", "Sentence 1 of 12: " + first, "Record all 16, then tune.", "Record",
          "Tune and measure (disabled)", "Turn off tuning", "Start over (disabled)"}},
        {"a run replacing a stored adapter",
         state(Phase::measuringBefore(1), 12, 4, 0, true),
         {"16 of 16 recorded", "Listening before tuning 1 of 4 (running)", "Learning your voice (waiting)",
          "Listening again (waiting)", "Tune and measure (disabled)", "Start over (disabled)"}},
        {"not better",
         state(Phase::done(Outcome::notBetter(2, 3, 33)), 12, 4),
         {"16 of 16 recorded", "Tuning didn\u2019t help your voice.",
          "2 mistakes before, 3 after, out of 33 words. It was turned off, so dictation works exactly as before.",
          "Tune again", "Start over"}},
        {"turned off",
         state(Phase::done(Outcome::turnedOff()), 3, 0),
         {"3 of 16 recorded", "Sentence 4 of 12: " + VoiceTuning::trainingSentences().at(3), "Tuning is off.",
          "Dictation works exactly as before. Your recordings are kept if you want to tune again.", "Record",
          "Tune again (disabled)", "Start over"}},
        {"already perfect",
         state(Phase::done(Outcome::alreadyPerfect(33)), 12, 4),
         {"16 of 16 recorded", "It heard every word right before tuning.",
          "0 mistakes in 33 words it never practiced on. Your voice doesn\u2019t need tuning, so nothing was changed.",
          "Tune again", "Start over"}},
        {"recorder failed",
         state(Phase::failed("No microphone input available"), 0, 0),
         {"0 of 16 recorded", "Sentence 1 of 12: " + first, "No microphone input available", "Record",
          "Tune and measure (disabled)", "Start over (disabled)"}},
    };
    VoiceTuningView view(VoiceTuningView::Actions{});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        view.showState(row.state);
        EXPECT_EQ(seen(view), row.lines);
    }

    // The meter reads four times the level, up to full.
    view.showState(state(Phase::recording(0, false), 0, 0, 0.1f));
    EXPECT_EQ(view.levelBar()->value() * 10, view.levelBar()->maximum() * 4);
    EXPECT_TRUE(view.listening()->isVisibleTo(&view));
    view.showState(state(Phase::recording(0, false), 0, 0, 0.6f));
    EXPECT_EQ(view.levelBar()->value(), view.levelBar()->maximum());
}

TEST(VoiceTuningView, ButtonsAndReturnCallTheControllerOnlyWhereOffered) {
    QStringList calls;
    const auto note = [&calls](const char* name) { return [&calls, name] { calls << name; }; };
    VoiceTuningView view({note("begin"), note("finish"), note("undo"), note("reset"), note("run"), note("turnOff")});
    view.resize(800, 900);
    view.QWidget::show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    const auto pressReturn = [&view] { QTest::keyClick(view.recordButton()->window(), Qt::Key_Return); };

    view.showState(state(Phase::idle(), 11, 0));
    view.recordButton()->click();
    pressReturn();
    view.undoButton()->click();
    view.startOverButton()->click();
    view.showState(state(Phase::recording(11, false), 11, 0));
    pressReturn();
    view.stopButton()->click();
    view.showState(state(Phase::idle(), 12, 4));
    pressReturn(); // nothing left to read
    view.tuneButton()->click();
    view.showState(state(Phase::tuning(1, 40), 12, 4));
    pressReturn(); // nothing to record during a run
    view.showState(state(Phase::done(Outcome::better(3, 1, 33)), 12, 4, 0, true));
    view.turnOffButton()->click();
    EXPECT_EQ(calls, QStringList({"begin", "begin", "undo", "reset", "finish", "finish", "run", "turnOff"}));
}

TEST(VoiceTuningView, FollowsTheControllerThroughATakeAndAFailedStart) {
    FakeAudioInput input;
    input.devices = {{1, QStringLiteral("Test mic"), 1}};
    input.defaultDevice = 1;
    input.script.format = {16000, 1};
    VoiceTuning tuning(std::make_unique<Recorder>(&input), {});
    VoiceTuningView view(tuning);

    view.recordButton()->click();
    EXPECT_EQ(tuning.phase(), Phase::recording(0, false));
    EXPECT_TRUE(view.stopButton()->isVisibleTo(&view));
    input.lastCapture()->deliver(std::vector<float>(8000, 0.2f));
    QCoreApplication::processEvents();
    EXPECT_GT(view.levelBar()->value(), 0) << "the meter follows the level";
    view.stopButton()->click();
    EXPECT_EQ(view.recordedCount()->text(), QStringLiteral("1 of 16 recorded"));
    EXPECT_EQ(view.sentence()->text(), VoiceTuning::trainingSentences().at(1));
    EXPECT_EQ(view.levelBar()->value(), 0);

    view.undoButton()->click();
    EXPECT_EQ(view.recordedCount()->text(), QStringLiteral("0 of 16 recorded"));
    EXPECT_FALSE(view.undoButton()->isVisibleTo(&view));

    input.script.startError = QuorvaneError{3, QStringLiteral("No microphone input available")};
    view.recordButton()->click();
    EXPECT_TRUE(view.failure()->isVisibleTo(&view));
    EXPECT_EQ(view.failure()->text(), QStringLiteral("No microphone input available"));
    EXPECT_EQ(view.failure()->palette().color(view.failure()->foregroundRole()), TextColours::orange(view.palette()));
    EXPECT_TRUE(view.recordButton()->isVisibleTo(&view) && view.recordButton()->isEnabled());
}

TEST(VoiceTuningView, AnAdapterStoredBeforeARestartCanBeTurnedOff) {
    TempFolder engine;
    ScopedEnvironment root("QV_ENGINE_ROOT", QFile::encodeName(engine.path()));
    FakeAudioInput input;
    {
        VoiceTuning tuning(std::make_unique<Recorder>(&input), {});
        VoiceTuningView view(tuning);
        EXPECT_FALSE(view.turnOffButton()->isVisibleTo(&view));
    }
    engine.write(QStringLiteral("voice-adapter.npz"), "stored by the last run");
    VoiceTuning tuning(std::make_unique<Recorder>(&input), {});
    VoiceTuningView view(tuning);
    EXPECT_TRUE(view.turnOffButton()->isVisibleTo(&view));
    EXPECT_EQ(VoiceTuning::adapterFile(), engine.file(QStringLiteral("voice-adapter.npz")));
}

class VoiceTuningPageRender : public testing::TestWithParam<bool> {};

TEST_P(VoiceTuningPageRender, ThePageRendersInTheLookInRecordingRunAndOutcome) {
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    PageRender render(defaults, GetParam());
    auto* view = qobject_cast<VoiceTuningView*>(
        render.show(MainWindowPane::Voice, [] { return new VoiceTuningView(VoiceTuningView::Actions{}); }));
    ASSERT_NE(view, nullptr);
    view->showState(state(Phase::recording(13, true), 12, 1, 0.12f));
    QTest::qWait(10);
    render.expectLook(render.save(QStringLiteral("your-voice")));

    view->showState(state(Phase::tuning(12, 40), 12, 4));
    QTest::qWait(10);
    render.save(QStringLiteral("your-voice-run"));
    view->showState(state(Phase::done(Outcome::better(6, 2, 33)), 12, 4));
    QTest::qWait(10);
    render.save(QStringLiteral("your-voice-outcome"));
}

INSTANTIATE_TEST_SUITE_P(Looks, VoiceTuningPageRender, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

} // namespace
