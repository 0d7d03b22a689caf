#include "reader/FocusLog.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(FocusLogTest, RecordIsTimeTextThenTheResponderOnAnIndentedLine) {
    const QDateTime time(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
    EXPECT_EQ(FocusLog::record(time, QStringLiteral("focus -> flags"), QStringLiteral("VoiceStop")),
              QStringLiteral("2026-03-04T05:06:07Z  focus -> flags\n            firstResponder=VoiceStop\n"));
    EXPECT_EQ(FocusLog::record(time, QStringLiteral("x"), QString()),
              QStringLiteral("2026-03-04T05:06:07Z  x\n            firstResponder=none\n"));
}

TEST(FocusLogTest, WritesNothingWhileOffAndAppendsRecordsWhileOn) {
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    const QString log = folder.file(QStringLiteral("Logs/deeper/Quorvane-focus.log"));
    FocusLog::note(QStringLiteral("focus -> flags"), defaults, log);
    defaults.set(QString::fromLatin1(FocusLog::kSettingKey), QStringLiteral("true"));
    FocusLog::note(QStringLiteral("focus -> flags"), defaults, log);
    EXPECT_FALSE(QFile::exists(log)) << "absent or not a Boolean is off";

    defaults.set(QString::fromLatin1(FocusLog::kSettingKey), true);
    FocusLog::note(QStringLiteral("focus -> voices"), defaults, log);
    QLineEdit field;
    field.show();
    field.activateWindow();
    field.setFocus();
    const bool focused = QApplication::focusWidget() == &field;
    FocusLog::note(QStringLiteral("focus -> nil"), defaults, log);

    const QStringList lines =
        QString::fromUtf8(folder.read(QStringLiteral("Logs/deeper/Quorvane-focus.log"))).split(u'\n');
    ASSERT_EQ(lines.size(), 5) << "two records of two lines and the final newline";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  focus -> voices$"))
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("            firstResponder=none"));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("  focus -> nil")));
    if (focused) {
        EXPECT_EQ(lines[3], QStringLiteral("            firstResponder=QLineEdit"));
    }
    EXPECT_EQ(lines[4], QString());
}

} // namespace
