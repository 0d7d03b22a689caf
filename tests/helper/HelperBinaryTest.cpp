// The installed quorvane-helper program on Linux, where no system model exists.
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Finished {
    int status;
    QByteArray out;
    QByteArray err;
};

Finished runHelper(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(QUORVANE_REAL_HELPER), arguments);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "ended by signal " << process.exitCode();
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

TEST(HelperBinary, AnswersUsageAvailabilityAndCleanAsAProgram) {
    Finished run = runHelper({});
    EXPECT_EQ(run.status, 64);
    EXPECT_TRUE(run.err.startsWith("usage: quorvane-helper ")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    run = runHelper({"availability"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "unavailable:noSystemModel\n");
    EXPECT_TRUE(run.err.isEmpty());

    run = runHelper({"clean", "--numbers", "digits"}, "hello there");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "unavailable:noSystemModel\n");
    EXPECT_TRUE(run.out.isEmpty());
}

} // namespace
