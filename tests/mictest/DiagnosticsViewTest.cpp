#include "engine/DiagnosticsView.h"
#include "engine/EngineBootstrap.h"
#include "support/Await.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/ScopedEnvironment.h"
#include "support/StandInEngine.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QLabel>
#include <QPromise>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using MicTestVerdict::Phase;
using Stage = EngineBootstrap::Stage;

Transcriber::Diagnosis answered(int status, const QString& transcript) {
    Transcriber::Diagnosis d;
    d.status = status;
    d.transcript = transcript;
    return d;
}

const MicTestVerdict::Take kLoud{QStringLiteral("Harness Mic"), QStringLiteral("16000 Hz, 1 ch"), 48000, 0.31F};

class DiagnosticsViewTest : public testing::Test {
protected:
    DiagnosticsViewTest() {
        env.set("XDG_DATA_HOME", data.path().toUtf8());
        QDir().mkpath(QStringLiteral(QUORVANE_ARTIFACTS));
    }

    static bool shown(DiagnosticsView& view, const QString& text) {
        for (const QWidget* w : view.findChildren<QWidget*>()) {
            const auto* button = qobject_cast<const QPushButton*>(w);
            const auto* label = qobject_cast<const QLabel*>(w);
            const QString t = button ? button->text() : label ? label->text() : QString();
            if (t == text && w->isVisibleTo(&view))
                return true;
        }
        return false;
    }
    static void render(DiagnosticsView& view, const QString& name) {
        const QPixmap picture = view.grab();
        EXPECT_EQ(picture.size(), QSize(520, 520));
        EXPECT_TRUE(picture.save(QStringLiteral(QUORVANE_ARTIFACTS "/") + name + QStringLiteral(".png")));
        RenderCheck::expectReadable(view, name);
    }

    TempFolder data;
    StandInEngine engine;
    ScopedEnvironment env;
};

TEST_F(DiagnosticsViewTest, RendersEveryPhase) {
    EngineBootstrap bootstrap(engine.setup(false), StandInEngine::services());
    DiagnosticsView view(bootstrap);
    EXPECT_EQ(view.buttonText(), QStringLiteral("Record 3 seconds and test"));
    render(view, QStringLiteral("phase-idle"));
    view.setPhase(Phase::Recording, 3);
    EXPECT_TRUE(shown(view, QStringLiteral("Listening\u2026 3")));
    render(view, QStringLiteral("phase-recording"));
    view.setPhase(Phase::Testing);
    render(view, QStringLiteral("phase-testing"));
    view.showOutcome(kLoud, answered(200, QStringLiteral("the quick brown fox jumps over the lazy dog")), std::nullopt);
    EXPECT_FALSE(view.canRepair());
    EXPECT_TRUE(shown(view, QStringLiteral("Run the test again")));
    EXPECT_TRUE(shown(view, QStringLiteral("Copy report")));
    EXPECT_FALSE(shown(view, QStringLiteral("Repair speech engine")));
    render(view, QStringLiteral("phase-done-green"));
    view.showOutcome({QStringLiteral("Harness Mic"), QStringLiteral("16000 Hz, 1 ch"), 48000, 0.001F},
                     answered(200, {}), std::nullopt);
    EXPECT_FALSE(view.canRepair());
    render(view, QStringLiteral("phase-done-silent"));
}

TEST_F(DiagnosticsViewTest, RepairSectionFollowsTheSharedStage) {
    EngineBootstrap bootstrap(engine.setup(false), StandInEngine::services());
    DiagnosticsView view(bootstrap);
    view.showOutcome(kLoud, answered(500, {}), MicTestVerdict::saveWav("RIFF"));
    ASSERT_TRUE(view.canRepair());
    EXPECT_TRUE(shown(view, QStringLiteral("Repair speech engine")));
    // The size of the model this build downloads.
    EXPECT_TRUE(shown(view, QStringLiteral("This rebuilds the speech engine and downloads a fresh dictation model "
                                           "(about 37 MB). Give it several minutes.")));
    EXPECT_TRUE(shown(view, QStringLiteral("Show recording in Files"))
                || shown(view, QStringLiteral("Reveal recording in Finder")));
    render(view, QStringLiteral("repair-idle"));

    // The view follows each stage as it is published.
    bool sawVenv = false;
    QObject::connect(&bootstrap, &EngineBootstrap::detailChanged, &view, [&](const QString& detail) {
        if (detail != QStringLiteral("Reinstalling the speech engine"))
            return;
        sawVenv = true;
        EXPECT_TRUE(shown(view, detail));
        EXPECT_FALSE(shown(view, QStringLiteral("Repair speech engine")));
        render(view, QStringLiteral("repair-venv"));
    });
    ASSERT_TRUE(awaitFuture(bootstrap.repair()));
    EXPECT_TRUE(sawVenv);
    EXPECT_EQ(bootstrap.stage(), Stage::Failed);
    EXPECT_TRUE(shown(view, bootstrap.failureMessage()));
    EXPECT_TRUE(shown(view, QStringLiteral("Repair speech engine")));
    render(view, QStringLiteral("repair-failed"));
}

TEST_F(DiagnosticsViewTest, TheRecordingLinkRevealsTheSavedTake) {
    ScopedFakePlatform fakes;
    fakes.wording.table.insert(QStringLiteral("Reveal recording in Finder"), QStringLiteral("Show recording in Files"));
    EngineBootstrap bootstrap(engine.setup(false), StandInEngine::services());
    DiagnosticsView view(bootstrap);
    const std::optional<QString> take = MicTestVerdict::saveWav("RIFF");
    ASSERT_TRUE(take.has_value());
    view.showOutcome(kLoud, answered(200, QStringLiteral("hello")), take);
    QPushButton* link = nullptr;
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Show recording in Files") && button->isVisibleTo(&view))
            link = button;
    }
    ASSERT_NE(link, nullptr);
    link->click();
    EXPECT_EQ(fakes.fileManager.revealed, QStringList{*take});
}

TEST_F(DiagnosticsViewTest, RepairReachesReadyAndTheNextOfferStartsAgain) {
    EngineBootstrap bootstrap(engine.setup(true), StandInEngine::services());
    DiagnosticsView view(bootstrap);
    view.showOutcome(kLoud, answered(200, {}), std::nullopt);
    ASSERT_TRUE(awaitFuture(bootstrap.repair()));
    ASSERT_EQ(bootstrap.stage(), Stage::Ready) << bootstrap.failureMessage().toStdString();
    EXPECT_TRUE(shown(view, QStringLiteral("Repaired. Run the test again to confirm.")));
    EXPECT_FALSE(shown(view, QStringLiteral("Repair speech engine")));
    render(view, QStringLiteral("repair-ready"));

    view.showOutcome(kLoud, answered(500, {}), std::nullopt);
    EXPECT_EQ(bootstrap.stage(), Stage::Idle);
    EXPECT_FALSE(shown(view, QStringLiteral("Repaired. Run the test again to confirm.")));
}

TEST_F(DiagnosticsViewTest, ARepairUnderWayIsNeitherResetNorStartedAgainAndTheButtonsWaitForIt) {
    // The repair waits for a server that has not answered yet.
    QPromise<bool> serverAnswer;
    serverAnswer.start();
    int stops = 0;
    EngineServices services = StandInEngine::services();
    services.ensureReady = [&serverAnswer] { return serverAnswer.future(); };
    services.stopServer = [&stops] {
        ++stops;
        return QtFuture::makeReadyFuture();
    };
    EngineBootstrap bootstrap(engine.setup(true), services);
    DiagnosticsView view(bootstrap);
    view.showOutcome(kLoud, answered(500, {}), std::nullopt);
    QPushButton* test = nullptr;
    QPushButton* repair = nullptr;
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        if (button->text() == view.buttonText())
            test = button;
        if (button->text() == QStringLiteral("Repair speech engine"))
            repair = button;
    }
    ASSERT_TRUE(test && repair);
    EXPECT_TRUE(test->isEnabled());

    repair->click();
    const int stopped = stops;
    ASSERT_GE(stopped, 1);
    const QFuture<void> repaired = bootstrap.repair();
    EXPECT_EQ(stops, stopped) << "the second repair was refused";
    ASSERT_TRUE(QTest::qWaitFor([&] { return bootstrap.stage() == Stage::Warming; }, 10000));
    EXPECT_TRUE(bootstrap.isBusy());
    EXPECT_FALSE(test->isEnabled());
    EXPECT_FALSE(repair->isEnabled());

    // A test that ends meanwhile leaves the repair's stage alone.
    view.showOutcome(kLoud, answered(500, {}), std::nullopt);
    EXPECT_EQ(bootstrap.stage(), Stage::Warming);
    EXPECT_FALSE(shown(view, QStringLiteral("Repair speech engine")));
    test->click();
    EXPECT_EQ(view.phase(), Phase::Done) << "no test while the repair runs";

    serverAnswer.addResult(true);
    serverAnswer.finish();
    ASSERT_TRUE(awaitFuture(repaired));
    EXPECT_EQ(bootstrap.stage(), Stage::Ready) << bootstrap.failureMessage().toStdString();
    EXPECT_FALSE(bootstrap.isBusy());
    EXPECT_TRUE(test->isEnabled());
}

} // namespace
