#include "app/SingleInstance.h"

#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

TEST(SingleInstanceTest, ALaterLaunchHandsItsDocumentsToTheRunningOne) {
    const QString name = QStringLiteral("quorvane-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance later(name);
    EXPECT_FALSE(later.handOver({})); // nobody running yet

    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy reopened(&running, &SingleInstance::reopened);
    EXPECT_TRUE(later.handOver({QStringLiteral("/tmp/a.quorvane"), QStringLiteral("/tmp/b c.quorvane")}));
    ASSERT_TRUE(reopened.wait(3000));
    EXPECT_EQ(reopened[0][0].toStringList(),
              (QStringList{QStringLiteral("/tmp/a.quorvane"), QStringLiteral("/tmp/b c.quorvane")}));
}

} // namespace
