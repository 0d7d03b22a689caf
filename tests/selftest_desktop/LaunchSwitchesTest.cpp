// The set-up report that quits at once, the "1" switches that open their
// windows and keep the main window closed (no other value does), and several
// result switches at once, each into its own file.
#include "selftest_desktop/SelfTestLaunch.h"

#include "dictation/GlassVariantPickerView.h"
#include "platform/LanguageDetector.h"
#include "support/XClient.h"

namespace {

const QString kMainWindow = QStringLiteral("Quorvane\u2122");
const QString kBubbleTrace = QStringLiteral(".local/share/Quorvane/bubble-trace.log");

using LaunchSwitchesTest = SelfTestDesktopTest;

TEST_F(LaunchSwitchesTest, TheSetupReportTellsTheFirstRunDecisionAndQuitsWithoutTheMainWindow) {
    const auto report = [](const QByteArray& settings, bool installed, const QString& expected) {
        SelfTestLaunch launch(settings);
        const QString path = launch.home.file(QStringLiteral("setup.txt"));
        ASSERT_TRUE(launch.start(installed ? engine() : launch.noEngine(), {{QStringLiteral("QV_SETUP_STATE"), path}}));
        EXPECT_TRUE(launch.quitsByItself());
        EXPECT_EQ(launch.result(path, 0), expected);
        EXPECT_FALSE(QFile::exists(launch.home.file(QStringLiteral(".local/share/Quorvane/main-window.log"))))
            << "the main window was opened";
    };
    report("{}", false, QStringLiteral("engineExists=false modelsComplete=false onboardingDone=false shouldShow=true"));
    // A normal start, whose main window the switch keeps closed.
    report(R"({"onboardingDone":true,"mainWindowTrace":true})", true,
           QStringLiteral("engineExists=true modelsComplete=true onboardingDone=true shouldShow=false"));
}

TEST_F(LaunchSwitchesTest, OnlyTheValueOneOpensTheGlassPanelTheMicrophoneTestAndTheSampleBubble) {
    XClient screen;
    ASSERT_TRUE(screen.isOpen());
    const auto shows = [&screen](const QString& title, int timeoutMs) {
        return QTest::qWaitFor([&] { return screen.windowTitled(title).has_value(); }, timeoutMs);
    };
    const auto launchWith = [&](const QString& glass, const QString& diagnosis, const QString& bubble) {
        auto launch = std::make_unique<SelfTestLaunch>(R"({"onboardingDone":true})");
        EXPECT_TRUE(launch->start(engine(), {{QStringLiteral("QV_GLASS_TEST"), glass},
                                             {QStringLiteral("QV_DIAG_TEST"), diagnosis},
                                             {QStringLiteral("QV_BUBBLE_TEST"), bubble}}));
        EXPECT_TRUE(waitForEngine(true, 60000));
        return launch;
    };
    {
        const auto launch = launchWith(QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("yes"));
        // Nor do they keep the main window closed.
        EXPECT_TRUE(shows(kMainWindow, 15000)) << "the main window did not open";
        EXPECT_FALSE(shows(GlassVariantPickerView::title(), 2000));
        EXPECT_FALSE(screen.windowTitled(QStringLiteral("Microphone Test")).has_value());
        EXPECT_FALSE(launch->home.read(kBubbleTrace).contains("show(listening)"));
        EXPECT_TRUE(endProgram(launch->program));
    }
    ASSERT_TRUE(waitForEngine(false, 15000));
    const auto launch = launchWith(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"));
    EXPECT_TRUE(shows(GlassVariantPickerView::title(), 15000)) << "no glass panel";
    EXPECT_TRUE(shows(QStringLiteral("Microphone Test"), 15000));
    // The sample listens, then shows its result card six seconds later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return launch->home.read(kBubbleTrace).contains("show(listening)"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return launch->home.read(kBubbleTrace).contains("show(result)"); }, 15000));
    // By now a normal start would long have opened its main window.
    EXPECT_FALSE(screen.windowTitled(kMainWindow).has_value()) << "the main window opened";
    EXPECT_TRUE(endProgram(launch->program));
}

TEST_F(LaunchSwitchesTest, SpanishDetectionDictionaryAndCleanupRunTogetherEachIntoItsOwnFile) {
    SelfTestLaunch launch;
    const QString language = launch.home.file(QStringLiteral("lang.txt"));
    const QString dictionary = launch.home.file(QStringLiteral("dict.txt"));
    const QString cleanup = launch.home.file(QStringLiteral("clean.txt"));
    const QByteArray userWords = R"([{"id":"5A0C4C39-2B1A-4F43-8E8D-6C43C1B8F1AA","canonical":"Kubernetes",)"
                                 R"("variants":["cube nets"],"createdAt":700000000}])";
    const QString userDictionary =
        launch.home.write(QStringLiteral(".local/share/Quorvane Native/dictionary.json"), userWords);
    ASSERT_TRUE(launch.start(launch.noEngine(), {{QStringLiteral("QV_LANG_TEST"), language},
                                                 {QStringLiteral("QV_DICT_TEST"), dictionary},
                                                 {QStringLiteral("QV_CLEANUP_TEST"), cleanup}}));

    // The desktop's own recogniser decides, phrase by phrase.
    QStringList phrases;
    bool allPass = true;
    for (const char* text :
         {"Hola, ¿cómo estás?", "Te quiero mucho.", "Nos vemos mañana en la oficina.", "Gracias por tu ayuda.",
          "Read me this document please.", "The meeting is at noon tomorrow."}) {
        const QString phrase = QString::fromUtf8(text);
        const bool spanish = Platform::current().languageDetector->guess(phrase, 1).dominant == QLatin1String("es");
        const bool pass = spanish == (phrases.size() < 4);
        allPass = allPass && pass;
        phrases << QStringLiteral("%1  spanish=%2  \"%3\"")
                       .arg(pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
                            spanish ? QStringLiteral("true") : QStringLiteral("false"), phrase);
    }
    phrases.prepend(QStringLiteral("verdict=") + (allPass ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    EXPECT_EQ(launch.result(language), phrases.join(QLatin1Char('\n')));

    // Made-up words stand in for the user's own, who keep theirs.
    const QStringList corrections = launch.result(dictionary).value_or(QString()).split(QLatin1Char('\n'));
    ASSERT_EQ(corrections.size(), 5) << corrections.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(corrections[0], QStringLiteral("verdict=PASS"));
    EXPECT_EQ(corrections[3],
              QStringLiteral(R"(PASS  in="open quor vane now"  out="Open Quorvane now"  want="Open Quorvane now")"));
    EXPECT_EQ(
        corrections[4],
        QStringLiteral(R"(PASS  in="no known words here"  out="No known words here"  want="No known words here")"));
    EXPECT_EQ(fileBytes(userDictionary), userWords);

    const QStringList cleaned = launch.result(cleanup).value_or(QString()).split(QLatin1Char('\n'));
    ASSERT_EQ(cleaned.size(), 3) << cleaned.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(cleaned[0].startsWith(QLatin1String("engine=")));
    EXPECT_EQ(cleaned[1],
              QStringLiteral("input: so um the meeting uh the meeting went good she's grew up wealthy but but she "
                             "also had to deal with a downfall and its pretty awesome shes you should follow her"));
    EXPECT_TRUE(cleaned[2].startsWith(QLatin1String("output: So the meeting")));
    EXPECT_TRUE(endProgram(launch.program));
}

} // namespace
