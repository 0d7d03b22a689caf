#include "platform/linux/HtmlFolderNotesApp.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QtConcurrent>

#include <gtest/gtest.h>

namespace {

QStringList files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(HtmlFolderNotesApp, FilesEachNoteWholeUnderItsTitleAndNeverReplacesOne) {
    TempFolder temp;
    HtmlFolderNotesApp notes(temp.file("Quorvane Notes"));
    const QString html = QStringLiteral("<h1>Plan</h1><div>\u00e9t\u00e9</div>");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(notes.create(QStringLiteral("Plan"), html, QString()).outcome, NotesApp::Outcome::Created);
    EXPECT_EQ(files(temp.file("Quorvane Notes")), (QStringList{"Plan 2.html", "Plan 3.html", "Plan.html"}))
        << "no temporary file is left behind";
    EXPECT_EQ(temp.read("Quorvane Notes/Plan 3.html"), html.toUtf8());

    // A subfolder is made when missing.
    EXPECT_EQ(notes.create(QStringLiteral("Plan"), html, QStringLiteral("Phone")).outcome, NotesApp::Outcome::Created);
    EXPECT_EQ(files(temp.file("Quorvane Notes/Phone")), QStringList{"Plan.html"});
}

TEST(HtmlFolderNotesApp, NotesFiledAtOnceWithOneTitleAllStay) {
    TempFolder temp;
    HtmlFolderNotesApp notes(temp.path());
    QList<QFuture<NotesApp::Result>> runs;
    for (int i = 0; i < 8; ++i)
        runs.append(QtConcurrent::run([&notes, i] { return notes.create(QStringLiteral("Same"), QString::number(i), QString()); }));
    QSet<QByteArray> contents;
    for (QFuture<NotesApp::Result>& run : runs)
        EXPECT_EQ(run.result().outcome, NotesApp::Outcome::Created);
    for (const QString& name : files(temp.path()))
        contents.insert(temp.read(name));
    EXPECT_EQ(contents.size(), 8);
}

TEST(HtmlFolderNotesApp, TitlesBecomeSafeFileNames) {
    EXPECT_EQ(HtmlFolderNotesApp::fileStem(QStringLiteral("a/b")), QStringLiteral("a-b"));
    EXPECT_EQ(HtmlFolderNotesApp::fileStem(QStringLiteral("../../etc/passwd")), QStringLiteral("-..-etc-passwd"));
    EXPECT_EQ(HtmlFolderNotesApp::fileStem(QStringLiteral("  line\none\u202e ")), QStringLiteral("line one"));
    EXPECT_EQ(HtmlFolderNotesApp::fileStem(QStringLiteral(" \n ")), QStringLiteral("Untitled"));
    EXPECT_EQ(HtmlFolderNotesApp::fileStem(QString(300, QLatin1Char('x'))).size(), HtmlFolderNotesApp::kNameLimit);
}

TEST(HtmlFolderNotesApp, AFolderThatCannotBeWrittenAsksForPermission) {
    // Not even root may make folders in /sys.
    HtmlFolderNotesApp refused(QStringLiteral("/sys/quorvane-notes-test"));
    EXPECT_EQ(refused.create(QStringLiteral("T"), QStringLiteral("x"), QString()).outcome,
              NotesApp::Outcome::NeedsPermission);

    TempFolder temp;
    temp.write("taken", "a file where the folder should be");
    HtmlFolderNotesApp blocked(temp.file("taken"));
    const NotesApp::Result failed = blocked.create(QStringLiteral("T"), QStringLiteral("x"), QString());
    EXPECT_EQ(failed.outcome, NotesApp::Outcome::Failed);
    EXPECT_FALSE(failed.message.isEmpty());
}

} // namespace
