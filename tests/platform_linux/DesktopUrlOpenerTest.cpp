// Handing addresses to the desktop as DesktopUrlOpener does, with the
// desktop's handlers looked up in folders of the test's own: an address no
// program takes is refused, so the caller can offer another way. The desktop's
// handlers are read once a process, so each look runs in a child started with
// the folders already in place.
#include "platform/linux/DesktopUrlOpener.h"

#include "support/ChildRole.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>
#include <QUrl>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

constexpr const char* kAddress = "mailto:help@quorvane.example?subject=Report";
constexpr int kRefused = 3;

const bool kOpenRole = ChildRole::add(QStringLiteral("open-mail-address"), [] {
    DesktopUrlOpener opener;
    return opener.open(QUrl(QLatin1String(kAddress))) ? 0 : kRefused;
});

// A desktop of the test's own, with no handler for any address until one is set up.
class DesktopUrlOpenerTest : public testing::Test {
protected:
    // How the child that opened the address ended.
    int openInChild() {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), desktop.mkdir(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), desktop.mkdir(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("X-Generic"));
        // On a display the child opens as the program does there: the offscreen
        // platform opens no address at all.
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess child;
        ChildRole::start(child, QStringLiteral("open-mail-address"), environment);
        if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit)
            return -1;
        return child.exitCode();
    }

    TempFolder desktop;
};

TEST_F(DesktopUrlOpenerTest, AMailAddressNoProgramTakesIsRefused) { EXPECT_EQ(openInChild(), kRefused); }

TEST_F(DesktopUrlOpenerTest, AMailAddressGoesToTheMailProgramSetUpForIt) {
    // A mail program that notes the address it was given.
    const QString opened = desktop.file(QStringLiteral("opened.txt"));
    desktop.write(QStringLiteral("data/applications/qv-test-mail.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Test Mail\nMimeType=x-scheme-handler/mailto;\n"
                  "Exec=sh -c 'printf %s \"$1\" > "
                      + QFile::encodeName(opened) + "' sh %u\n");
    desktop.write(QStringLiteral("config/mimeapps.list"),
                  "[Default Applications]\nx-scheme-handler/mailto=qv-test-mail.desktop\n");
    EXPECT_EQ(openInChild(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(opened); }, 10000));
    EXPECT_TRUE(fileBytes(opened).startsWith("mailto:help@quorvane.example")) << fileBytes(opened).toStdString();
}

} // namespace
