#include "platform/linux/HtmlFolderNotesApp.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

QStringList files(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

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
        runs.append(QtConcurrent::run(
            [&notes, i] { return notes.create(QStringLiteral("Same"), QString::number(i), QString()); }));
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
    EXPECT_EQ(HtmlFolderNotesApp::fileStem(QString(300, QLatin1Char('x'))).size(), HtmlFolderNotesApp::kStemBytes);
}

TEST(HtmlFolderNotesApp, LongTitlesInAnyScriptAreCutToTheFileNameLimitBetweenCharacters) {
    TempFolder temp;
    HtmlFolderNotesApp notes(temp.path());
    const QString family = QStringLiteral("👨‍👩‍👧‍👦"); // 25 bytes
    const QString accented = QStringLiteral("é");                       // one character, two code points
    struct Row {
        const char* what;
        QString title;
        QString unit; // the stem is whole units of this
    };
    const Row rows[] = {
        {"ideographs", QString(150, QChar(0x4F1A)), QString(QChar(0x4F1A))},
        {"emoji families", family.repeated(40), family},
        {"accented letters", accented.repeated(200), accented},
    };
    for (const Row& row : rows) {
        const QString stem = HtmlFolderNotesApp::fileStem(row.title);
        EXPECT_LE(stem.toUtf8().size(), HtmlFolderNotesApp::kStemBytes) << row.what;
        EXPECT_GT(stem.toUtf8().size(), HtmlFolderNotesApp::kStemBytes - row.unit.toUtf8().size()) << row.what;
        EXPECT_EQ(stem.toStdString(), row.unit.repeated(stem.size() / row.unit.size()).toStdString())
            << row.what << ": cut inside a character";
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(notes.create(row.title, QStringLiteral("x"), QString()).outcome, NotesApp::Outcome::Created)
                << row.what;
    }
    const QStringList names = files(temp.path());
    EXPECT_EQ(names.size(), 6);
    for (const QString& name : names) {
        EXPECT_LE(name.toUtf8().size(), HtmlFolderNotesApp::kNameBytes);
        EXPECT_TRUE(name.endsWith(QStringLiteral(".html"))) << name.toStdString();
    }
    EXPECT_TRUE(names.contains(HtmlFolderNotesApp::fileStem(rows[0].title) + QStringLiteral(" 2.html")));
}

// A file system without hard links, as vfat and exFAT are: link() says EPERM.
class NoHardLinksNotesApp : public HtmlFolderNotesApp {
public:
    using HtmlFolderNotesApp::HtmlFolderNotesApp;

protected:
    int link(const QByteArray&, const QByteArray&) const override { return EPERM; }
};

TEST(HtmlFolderNotesApp, AFileSystemWithoutHardLinksStillTakesEveryNoteWhole) {
    TempFolder temp;
    NoHardLinksNotesApp notes(temp.path());
    for (int i = 1; i <= 3; ++i) {
        const NotesApp::Result result =
            notes.create(QStringLiteral("Plan"), QStringLiteral("note %1").arg(i), QString());
        EXPECT_EQ(result.outcome, NotesApp::Outcome::Created) << result.message.toStdString();
    }
    EXPECT_EQ(files(temp.path()), (QStringList{"Plan 2.html", "Plan 3.html", "Plan.html"}))
        << "no temporary file is left behind";
    EXPECT_EQ(temp.read("Plan.html"), QByteArray("note 1"));
    EXPECT_EQ(temp.read("Plan 3.html"), QByteArray("note 3"));
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
