// The application's side of the helper program: finding it, keeping one warm,
// and one clean-up under a deadline, against real child processes.
#include "cleanup/CleanupEngine.h"
#include "engine/LlmServer.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

bool processExists(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

std::optional<QString> await(QFuture<std::optional<QString>> future, int timeoutMs = 10000) {
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, timeoutMs))
        return QStringLiteral("<still waiting>");
    return future.result();
}

class HelperClientTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_RESOURCES", resources.path().toUtf8());
        qputenv("QV_FAKE_MODEL", "answer");
        Defaults::shared().set(QStringLiteral("useAppleIntelligence"), true);
        engine.setHelperDeadline(std::chrono::milliseconds(15000));
    }
    void TearDown() override {
        engine.discardWarm();
        Defaults::shared().remove(QStringLiteral("useAppleIntelligence"));
        qunsetenv("QUORVANE_RESOURCES");
        qunsetenv("QV_FAKE_MODEL");
        engine.setHelperDeadline(std::chrono::milliseconds(15000));
    }

    // Puts the helper built with a scripted model where the application looks for it.
    QString installFakeHelper() {
        QDir().mkpath(resources.file("bin"));
        const QString target = resources.file("bin/quorvane-helper");
        QFile::remove(target);
        EXPECT_TRUE(QFile::link(QStringLiteral(QUORVANE_FAKE_HELPER), target));
        return target;
    }

    QString script(const QString& name, const QByteArray& body) {
        const QString path = scripts.write(name, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }

    TempFolder resources;
    TempFolder scripts;
    CleanupEngine engine{Defaults::shared(), LlmServer::shared()};
};

TEST_F(HelperClientTest, HelperIsFoundOnlyWhereItIsInstalled) {
    EXPECT_EQ(CleanupEngine::helperURL(), std::nullopt);
    const QString installed = installFakeHelper();
    EXPECT_EQ(CleanupEngine::helperURL(), std::optional<QString>(installed));
}

TEST_F(HelperClientTest, PrewarmNeedsTheSettingAndTheProgram) {
    engine.prewarm();
    EXPECT_EQ(engine.warmHelperProcessId(), 0) << "no program installed";

    installFakeHelper();
    Defaults::shared().set(QStringLiteral("useAppleIntelligence"), false);
    engine.prewarm();
    EXPECT_EQ(engine.warmHelperProcessId(), 0);

    Defaults::shared().set(QStringLiteral("useAppleIntelligence"), true);
    engine.prewarm();
    const qint64 warm = engine.warmHelperProcessId();
    EXPECT_TRUE(processExists(warm));
    Defaults::shared().set(QStringLiteral("useAppleIntelligence"), false);
    engine.prewarm();
    EXPECT_EQ(engine.warmHelperProcessId(), warm) << "switched off, an existing warm helper is left alone";
}

TEST_F(HelperClientTest, ASecondPrewarmReplacesTheFirst) {
    installFakeHelper();
    engine.prewarm();
    const qint64 first = engine.warmHelperProcessId();
    engine.prewarm();
    const qint64 second = engine.warmHelperProcessId();
    EXPECT_NE(first, 0);
    EXPECT_NE(second, 0);
    EXPECT_NE(first, second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processExists(first); }, 5000));
    EXPECT_TRUE(processExists(second));

    engine.discardWarm();
    EXPECT_EQ(engine.warmHelperProcessId(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processExists(second); }, 5000));
}

TEST_F(HelperClientTest, TheWarmHelperAnswersOnceAndIsUsedUp) {
    const QString helper = installFakeHelper();
    engine.prewarm();
    const qint64 warm = engine.warmHelperProcessId();
    ASSERT_NE(warm, 0);
    // The fake model puts a label before its answer; the helper removes it.
    EXPECT_EQ(await(engine.runHelperProcess(helper, QStringLiteral("hello there"))),
              std::optional<QString>("HELLO THERE"));
    EXPECT_EQ(engine.warmHelperProcessId(), 0);

    // Without a warm one, a helper is started for the request.
    EXPECT_EQ(await(engine.runHelperProcess(helper, QStringLiteral("again"))), std::optional<QString>("AGAIN"));
}

TEST_F(HelperClientTest, AWarmHelperThatDiedIsReplacedByAFreshOne) {
    const QString helper = installFakeHelper();
    qputenv("QV_FAKE_MODEL", "exit");
    engine.prewarm();
    const qint64 warm = engine.warmHelperProcessId();
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.warmHelperProcessId() == 0; }, 5000));
    EXPECT_FALSE(processExists(warm));
    qputenv("QV_FAKE_MODEL", "answer");
    EXPECT_EQ(await(engine.runHelperProcess(helper, QStringLiteral("fresh"))), std::optional<QString>("FRESH"));
}

TEST_F(HelperClientTest, AHelperPastTheDeadlineIsKilledAtTheDeadline) {
    const QString helper = installFakeHelper();
    qputenv("QV_FAKE_MODEL", "slow");
    engine.setHelperDeadline(std::chrono::milliseconds(400));
    engine.prewarm();
    const qint64 pid = engine.warmHelperProcessId();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(await(engine.runHelperProcess(helper, QStringLiteral("take your time"))), std::nullopt);
    EXPECT_LT(clock.elapsed(), 2500) << "the fake takes 3 s to answer";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processExists(pid); }, 2000));
}

TEST_F(HelperClientTest, AHelperThatNeverReadsItsInputCannotHangTheCaller) {
    const QString helper = installFakeHelper();
    qputenv("QV_FAKE_MODEL", "stall");
    engine.setHelperDeadline(std::chrono::milliseconds(400));
    engine.prewarm();
    const qint64 pid = engine.warmHelperProcessId();
    // Far more than a pipe holds: a blocking write would never return.
    const QString text = QString(2 * 1024 * 1024, QLatin1Char('a'));
    QElapsedTimer clock;
    clock.start();
    const auto future = engine.runHelperProcess(helper, text);
    EXPECT_LT(clock.elapsed(), 300) << "starting the request does not wait for the helper";
    EXPECT_EQ(await(future), std::nullopt);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processExists(pid); }, 2000));
}

TEST_F(HelperClientTest, OutputIsUsedOnlyFromACleanExitWithText) {
    const QList<QPair<QByteArray, std::optional<QString>>> cases = {
        {"cat >/dev/null; printf '  \\n\\t '\n", std::nullopt},
        {"cat >/dev/null; printf 'partial'; exit 1\n", std::nullopt},
        {"cat >/dev/null; printf 'caf\\303'\n", std::nullopt},
        {"cat >/dev/null; printf '  Fine, thanks. \\n'\n", QStringLiteral("Fine, thanks.")},
    };
    int index = 0;
    for (const auto& [body, expected] : cases) {
        const QString helper = script(QStringLiteral("helper%1").arg(index++), body);
        EXPECT_EQ(await(engine.runHelperProcess(helper, QStringLiteral("some words here"))), expected)
            << body.toStdString();
    }
    EXPECT_EQ(await(engine.runHelperProcess(scripts.file("missing"), QStringLiteral("x"))), std::nullopt);
}

TEST_F(HelperClientTest, ACleanUpRemovesMarkersAndLabelsFromTheAnswer) {
    const QString helper =
        script(QStringLiteral("marked"), "cat >/dev/null; printf 'Cleaned transcript: Fine, thanks.<|im_end|>more'\n");
    EXPECT_EQ(await(engine.runHelperClean(helper, QStringLiteral("fine thanks"))),
              std::optional<QString>("Fine, thanks."));
    EXPECT_EQ(await(engine.runHelperClean(scripts.file("missing"), QStringLiteral("x"))), std::nullopt);
}

TEST_F(HelperClientTest, OutputLargerThanAPipeIsReadWhileTheHelperRuns) {
    // 200 KB cannot sit in a pipe until the helper exits; it has to be drained.
    const QString helper = script(QStringLiteral("big"), "cat >/dev/null; head -c 200000 /dev/zero | tr '\\0' a\n");
    const auto result = await(engine.runHelperProcess(helper, QStringLiteral("long answer please")));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->size(), 200000);
}

TEST_F(HelperClientTest, TheTextReachesTheHelperWhole) {
    const QString helper = script(QStringLiteral("echo"), "cat\n");
    const QString text = QStringLiteral("Grüße aus Köln — 東京 ") + QString(100000, QLatin1Char('x'));
    EXPECT_EQ(await(engine.runHelperProcess(helper, text)), std::optional<QString>(text.trimmed()));
}

} // namespace
