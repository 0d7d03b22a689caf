// The result switches that leave the program running: the model download, a
// cleanup, the dismissal of the result card, the walk through the main
// window's pages; and the two pictures, of a settings page (the program quits
// after it) and of the screen around the bubble.
#include "selftest_desktop/SelfTestLaunch.h"

#include "engine/ModelTable.h"
#include "support/Artifacts.h"
#include "support/XClient.h"

#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

namespace {

using ResultFilesTest = SelfTestDesktopTest;

// The share of pixels in which two pictures differ.
double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y);
    return double(differing) / (double(a.width()) * a.height());
}

TEST_F(ResultFilesTest, TheDownloadTheCleanupAndTheDismissalEachWriteTheirLines) {
    SelfTestLaunch launch;
    const QString cleanup = launch.home.file(QStringLiteral("clean.txt"));
    const QString dismissal = launch.home.file(QStringLiteral("dismiss.txt"));
    // The download goes to a path relative to the working folder; the override would fail it.
    ASSERT_TRUE(launch.start(launch.noEngine(),
                             {{QStringLiteral("QV_DL_TEST"), QStringLiteral("download.txt")},
                              {QStringLiteral("BW_MODELS_BASE_URL"), QStringLiteral("http://127.0.0.1:9")},
                              {QStringLiteral("QV_CLEANUP_TEST"), cleanup},
                              {QStringLiteral("QV_CLEANUP_INPUT"), QStringLiteral("so um the meeting uh went well")},
                              {QStringLiteral("QV_DISMISS_TEST"), dismissal}}));

    const qint64 size = QFileInfo(ModelTable::distributionFolder()
                                  + QStringLiteral("/%1/config.json").arg(QLatin1String(ModelTable::kModelName)))
                            .size();
    ASSERT_GT(size, 0);
    EXPECT_EQ(launch.result(launch.home.file(QStringLiteral("download.txt"))),
              QStringLiteral("status=200 size=%1 progressSeen=%1 error=none").arg(size));
    // The fetched copy was only measured.
    EXPECT_EQ(QDir(launch.temporaryFolder()).entryList({QStringLiteral("qv-model-*")}, QDir::Files), QStringList());

    const QStringList lines = launch.result(cleanup).value_or(QString()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    // No model answers on this desktop: the rules clean.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^engine=regex seconds=\\d+\\.\\d$")).match(lines[0]).hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1), QStringList({QStringLiteral("input: so um the meeting uh went well"),
                                         QStringLiteral("output: So the meeting went well.")}));

    // The key took the card away.
    EXPECT_EQ(launch.result(dismissal), QStringLiteral("before=true dismissed=true"));
    EXPECT_TRUE(endProgram(launch.program));
}

TEST_F(ResultFilesTest, TheWindowWalkVisitsEveryPageAndLeavesTheWindowOpen) {
    XClient screen;
    SelfTestLaunch launch;
    const QString path = launch.home.file(QStringLiteral("window.txt"));
    ASSERT_TRUE(launch.start(launch.noEngine(), {{QStringLiteral("QV_WINDOW_TEST"), path}}));
    EXPECT_EQ(launch.result(path), QStringLiteral("survived=true panes=Dashboard,Dictation,Modes,Reader,Translation,"
                                                  "Cleanup,Dictionary,Your voice,Instructions,General"));
    // A first run opens no main window of its own: this one is the walk's.
    EXPECT_TRUE(screen.windowTitled(QStringLiteral("Quorvane\u2122")).has_value());
    EXPECT_TRUE(endProgram(launch.program));
}

TEST_F(ResultFilesTest, ThePageShotRendersTheNamedPageToItsPathAndQuits) {
    // Renders `value` ("<home>" is the launch's home) and reads the picture
    // from `file`, in the launch's temporary folder unless absolute.
    const auto shoot = [](QString value, QString file, const QString& artifact) {
        SelfTestLaunch launch;
        value.replace(QStringLiteral("<home>"), launch.home.path());
        const QString path =
            QDir(launch.temporaryFolder()).filePath(file.replace(QStringLiteral("<home>"), launch.home.path()));
        EXPECT_TRUE(launch.start(launch.noEngine(), {{QStringLiteral("QV_SHOT"), value}}));
        EXPECT_TRUE(launch.quitsByItself()) << value.toStdString();
        const QImage image(path);
        EXPECT_EQ(image.size(), QSize(880, 1180)) << value.toStdString() << " at " << path.toStdString();
        // Nothing else in the temporary folder.
        const QStringList pictures = QDir(launch.temporaryFolder()).entryList({QStringLiteral("*.png")}, QDir::Files);
        EXPECT_EQ(pictures, QDir::isAbsolutePath(file) ? QStringList() : QStringList{file}) << value.toStdString();
        Artifacts::save(image, artifact);
        return image;
    };
    const QImage reader =
        shoot(QStringLiteral("Reader"), QStringLiteral("pane.png"), QStringLiteral("shot-reader.png"));
    const QImage cleanup = shoot(QStringLiteral("Cleanup:<home>/cleanup page.png"),
                                 QStringLiteral("<home>/cleanup page.png"), QStringLiteral("shot-cleanup.png"));
    // Names match exactly: "reader" is no page, so the Dictation page.
    const QImage lowerCase =
        shoot(QStringLiteral("reader"), QStringLiteral("pane.png"), QStringLiteral("shot-lower-case.png"));
    // The empty piece before a leading colon is dropped: the path is taken for the page name.
    const QImage colon =
        shoot(QStringLiteral(":<home>/never.png"), QStringLiteral("pane.png"), QStringLiteral("shot-colon.png"));

    EXPECT_LT(differingShare(lowerCase, colon), 0.01) << "both are the Dictation page";
    EXPECT_GT(differingShare(reader, lowerCase), 0.05);
    EXPECT_GT(differingShare(cleanup, reader), 0.05);
    EXPECT_GT(differingShare(cleanup, lowerCase), 0.05);
}

TEST_F(ResultFilesTest, TheBubbleShotCapturesTheScreenAroundTheSampleBubble) {
    // Installed, with no window at launch: nothing covers the bubble.
    SelfTestLaunch launch(R"({"onboardingDone":true,"openWindowAtLaunch":false})");
    const QString path = launch.home.file(QStringLiteral("bubble.png"));
    ASSERT_TRUE(launch.start(
        engine(), {{QStringLiteral("QV_BUBBLE_TEST"), QStringLiteral("1")}, {QStringLiteral("QV_BUBBLE_SHOT"), path}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(path); }, 20000)) << "no picture";
    QTest::qWait(500); // the encoder writes as it goes
    const QImage image(path);
    Artifacts::save(image, QStringLiteral("bubble-shot.png"));
    // The bubble and 60 points around it, at twice the size.
    ASSERT_EQ(image.size(), QSize((620 + 2 * 60) * 2, (320 + 2 * 60) * 2));
    // The card stands out from the bare screen in the corner.
    int card = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; y += 4)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; x += 4)
            card += image.pixel(x, y) != image.pixel(4, 4);
    EXPECT_GT(card, 1000) << "nothing but the screen in the picture";
    EXPECT_TRUE(endProgram(launch.program));
}

} // namespace
