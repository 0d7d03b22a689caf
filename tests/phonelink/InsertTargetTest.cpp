#include "insertion/InsertTarget.h"
#include "support/Defaults.h"
#include "support/FakeDesktopApps.h"
#include "support/FakeNotesApp.h"
#include "support/FakeWorkspace.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

using namespace std::chrono_literals;

const Workspace::Application kEditor{QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), {}, 200};
const Workspace::Application kTerminal{QStringLiteral("Terminal"), QStringLiteral("org.example.Terminal"), {}, 300};
const Workspace::Application kOurs{QStringLiteral("Quorvane"), QStringLiteral("quorvane"), {}, 100};

class InsertTargetTest : public testing::Test {
protected:
    std::unique_ptr<InsertTarget> open() {
        InsertTarget::Services services;
        services.defaults = &defaults;
        services.workspace = &workspace;
        services.apps = &apps;
        services.notes = &notes;
        services.paste = [this](const QString& text) { pasted.append(text); };
        services.clock = [this] { return clock; };
        services.after = [this](std::chrono::milliseconds delay, std::function<void()> work) {
            queue.push_back({clock + delay, std::move(work)});
        };
        services.chooser = [this](const QList<DesktopApps::App>& offered,
                                  std::function<void(std::optional<QString>)> answer) {
            offeredApps = offered;
            chosen = std::move(answer);
        };
        services.ownPid = kOurs.pid;
        return std::make_unique<InsertTarget>(services);
    }
    // Runs the scheduled steps in time order, moving the clock along; `each`
    // runs before every step.
    void runScheduled(const std::function<void()>& each = {}) {
        for (int steps = 0; !queue.empty() && steps < 1000; ++steps) {
            auto [due, work] = std::move(queue.front());
            queue.pop_front();
            clock = std::max(clock, due);
            if (each)
                each();
            work();
        }
    }
    std::function<void(bool)> recordInto(std::optional<bool>& result) {
        return [&result](bool ok) { result = ok; };
    }

    TempFolder folder;
    Defaults defaults{folder.file("defaults.json")};
    FakeWorkspace workspace;
    FakeDesktopApps apps;
    FakeNotesApp notes;
    QStringList pasted;
    std::chrono::steady_clock::time_point clock{1h};
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::function<void()>>> queue;
    QList<DesktopApps::App> offeredApps;
    std::function<void(std::optional<QString>)> chosen;
};

bool waitFor(const std::optional<bool>& result) {
    QDeadlineTimer deadline(5000);
    while (!result && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result.has_value();
}

TEST_F(InsertTargetTest, PinnedNotesFilesTheNoteAndNeverPastes) {
    defaults.set(InsertTarget::kPinnedKey, NoteTarget::kNotesIdentifier);
    auto target = open();
    EXPECT_EQ(target->name(), QStringLiteral("Notes"));
    std::optional<bool> created;
    target->insert(QStringLiteral("line & more"), QStringLiteral("Title"), recordInto(created));
    ASSERT_TRUE(waitFor(created));
    EXPECT_TRUE(*created);
    ASSERT_EQ(notes.received().size(), 1);
    EXPECT_EQ(notes.received()[0].html, QStringLiteral("<h1>Title</h1><div>line &amp; more</div>"));
    EXPECT_FALSE(target->lastError());

    notes.result = {NotesApp::Outcome::NeedsPermission, {}};
    std::optional<bool> refused;
    target->insert(QStringLiteral("x"), QStringLiteral("T"), recordInto(refused));
    ASSERT_TRUE(waitFor(refused));
    EXPECT_FALSE(*refused);
    ASSERT_TRUE(target->lastError());
    EXPECT_TRUE(target->lastError()->startsWith(QStringLiteral("Notes needs permission.")))
        << target->lastError()->toStdString();
    EXPECT_EQ(notes.shown, 1);

    notes.result = {NotesApp::Outcome::Failed, QStringLiteral("disk full")};
    std::optional<bool> failed;
    target->insert(QStringLiteral("x"), QStringLiteral("T"), recordInto(failed));
    ASSERT_TRUE(waitFor(failed));
    EXPECT_EQ(target->lastError(), QStringLiteral("disk full"));
    EXPECT_TRUE(pasted.isEmpty());
}

TEST_F(InsertTargetTest, APinnedAppIsStartedAndPastedIntoOnceInFront) {
    apps.apps = {{kEditor.identifier, QStringLiteral("Editor.app")}};
    defaults.set(InsertTarget::kPinnedKey, kEditor.identifier);
    auto target = open();
    EXPECT_EQ(target->name(), QStringLiteral("Editor"));
    std::optional<bool> result;
    target->insert(QStringLiteral("hello"), QStringLiteral("t"), recordInto(result));
    EXPECT_EQ(apps.launched, QStringList{kEditor.identifier});
    const auto started = clock;
    runScheduled([&] {
        if (clock - started >= 3s)
            workspace.frontmost = kEditor; // a slow start, within the deadline
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(*result);
    EXPECT_EQ(pasted, QStringList{"hello"});
}

TEST_F(InsertTargetTest, ATargetThatNeverComesForwardGetsNoPaste) {
    apps.apps = {{kEditor.identifier, QStringLiteral("Editor")}};
    defaults.set(InsertTarget::kPinnedKey, kEditor.identifier);
    auto target = open();
    std::optional<bool> slow;
    const auto started = clock;
    target->insert(QStringLiteral("late"), QStringLiteral("t"), recordInto(slow));
    runScheduled();
    ASSERT_TRUE(slow.has_value());
    EXPECT_FALSE(*slow);
    EXPECT_GE(clock - started, InsertTarget::kLaunchDeadline);
    EXPECT_LT(clock - started, InsertTarget::kLaunchDeadline + 200ms);
    EXPECT_TRUE(pasted.isEmpty());
    EXPECT_FALSE(target->lastError()) << "only the Notes road reports";

    // In front at first, but the user switches away before the paste.
    workspace.frontmost = kEditor;
    std::optional<bool> switched;
    target->insert(QStringLiteral("not here"), QStringLiteral("t"), recordInto(switched));
    workspace.frontmost = kTerminal;
    runScheduled();
    ASSERT_TRUE(switched.has_value());
    EXPECT_FALSE(*switched);
    EXPECT_TRUE(pasted.isEmpty());
}

TEST_F(InsertTargetTest, TheLastOtherAppIsActivatedAndOurOwnActivationsDoNotCount) {
    auto target = open();
    std::optional<bool> anywhere;
    target->insert(QStringLiteral("at the focus"), QStringLiteral("t"), recordInto(anywhere));
    EXPECT_EQ(anywhere, true) << "nothing seen and nothing pinned: pasted at once";
    EXPECT_EQ(pasted, QStringList{"at the focus"});

    workspace.frontmost = kTerminal;
    target->noticeFrontmost();
    workspace.frontmost = kOurs;
    target->noticeFrontmost();
    ASSERT_TRUE(target->app());
    EXPECT_EQ(target->app()->identifier, kTerminal.identifier);
    EXPECT_EQ(target->name(), QStringLiteral("Terminal"));

    std::optional<bool> result;
    target->insert(QStringLiteral("into the terminal"), QStringLiteral("t"), recordInto(result));
    EXPECT_EQ(apps.activated, QList<qint64>{kTerminal.pid});
    runScheduled([&] { workspace.frontmost = kTerminal; });
    EXPECT_EQ(result, true);
    EXPECT_EQ(pasted.last(), QStringLiteral("into the terminal"));

    // A pinned application that is not installed falls back to the last one.
    target->setPinnedIdentifier(QStringLiteral("org.example.Gone"));
    EXPECT_EQ(target->name(), QStringLiteral("the chosen app"));
    workspace.frontmost = kOurs;
    std::optional<bool> fallback;
    target->insert(QStringLiteral("fallback"), QStringLiteral("t"), recordInto(fallback));
    runScheduled();
    EXPECT_EQ(fallback, false) << "the terminal never came back within 2 s";
}

TEST_F(InsertTargetTest, TheChooserOffersNotesBesideTheApplications) {
    apps.apps = {{kEditor.identifier, QStringLiteral("Editor")}};
    auto target = open();
    target->chooseApp();
    ASSERT_EQ(offeredApps.size(), 2);
    EXPECT_EQ(offeredApps[0].identifier, NoteTarget::kNotesIdentifier);
    chosen(kEditor.identifier);
    EXPECT_EQ(target->pinnedIdentifier(), kEditor.identifier);
    EXPECT_EQ(defaults.string(InsertTarget::kPinnedKey), kEditor.identifier);
    target->chooseApp();
    chosen(std::nullopt);
    EXPECT_EQ(target->pinnedIdentifier(), kEditor.identifier) << "cancelling changes nothing";
}

} // namespace
