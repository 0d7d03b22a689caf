#include "dictation/FrontmostApp.h"

#include "support/FakePlatform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

TEST(FrontmostAppTest, SnapshotsAnotherApplicationAndNamesANamelessOneApp) {
    ScopedFakePlatform fakes;
    EXPECT_EQ(FrontmostApp::current(), std::nullopt);

    fakes.workspace.frontmost =
        Workspace::Application{QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor"), {}, 31337};
    std::optional<FrontmostApp> app = FrontmostApp::current();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, QStringLiteral("Text Editor"));
    EXPECT_EQ(app->bundleID, QStringLiteral("org.gnome.TextEditor"));
    EXPECT_EQ(app->pid, 31337);

    fakes.workspace.frontmost = Workspace::Application{QString(), QString(), {}, 31338};
    app = FrontmostApp::current();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, QStringLiteral("App"));
    EXPECT_EQ(app->bundleID, std::nullopt);
}

TEST(FrontmostAppTest, ThisProgramInFrontGivesNone) {
    ScopedFakePlatform fakes;
    fakes.workspace.frontmost = Workspace::Application{
        QStringLiteral("Quorvane"), QStringLiteral("quorvane"), {}, QCoreApplication::applicationPid()};
    EXPECT_EQ(FrontmostApp::current(), std::nullopt);
}

} // namespace
