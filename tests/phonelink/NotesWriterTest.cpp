#include "cleanup/NotesWriter.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(NotesWriterHtml, EscapesAmpersandsFirstAndKeepsOnlyLinesWithContent) {
    EXPECT_EQ(NotesWriter::html(QStringLiteral("Fish & <chips>"), QStringLiteral("a < b & c")),
              QStringLiteral("<h1>Fish &amp; &lt;chips&gt;</h1><div>a &lt; b &amp; c</div>"));
    // Four lines, the second empty and the third spaces and tabs: two divs, the kept line untrimmed.
    EXPECT_EQ(NotesWriter::html(QString(), QStringLiteral("first\n\n \t \n  last ")),
              QStringLiteral("<h1></h1><div>first</div><div>  last </div>"));
    // Every line break splits: CR LF, the Unicode separators, next-line.
    EXPECT_EQ(NotesWriter::html(QStringLiteral("t"), QStringLiteral("a\r\nb\u2028c\u2029d\u0085e")),
              QStringLiteral("<h1>t</h1><div>a</div><div>b</div><div>c</div><div>d</div><div>e</div>"));
    // A no-break space is content; quotes stay as they are.
    EXPECT_EQ(NotesWriter::html(QStringLiteral("\"q\""), QStringLiteral("\u00a0")),
              QStringLiteral("<h1>\"q\"</h1><div>\u00a0</div>"));
}

TEST(NotesWriterFolder, TakesOneFolderNameAndRefusesPaths) {
    EXPECT_EQ(NotesWriter::folder(QStringLiteral(" \tPhone notes\t ")), QStringLiteral("Phone notes"));
    EXPECT_EQ(NotesWriter::folder(QStringLiteral("   ")), QString());
    EXPECT_EQ(NotesWriter::folder(QStringLiteral("..hidden but fine")), QStringLiteral("..hidden but fine"));
    for (const char* bad : {"..", ".", " .. ", "a/b", "/etc", "a\\b", "two\nlines", "bell\a", "rtl\u202e"})
        EXPECT_FALSE(NotesWriter::folder(QString::fromUtf8(bad)).has_value()) << bad;
}

// Records what reaches the notes stand-in, and on which thread.
class RecordingNotesApp : public NotesApp {
public:
    Result create(const QString& title, const QString& html, const QString& folder) override {
        calls.append({title, html, folder});
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        return result;
    }
    void showNotesFolder() override { ++shown; }

    struct Call {
        QString title, html, folder;
    };
    QList<Call> calls;
    Result result;
    bool onGuiThread = true;
    int shown = 0;
};

TEST(NotesWriterCreate, FilesOffTheGuiThreadInTheCheckedFolder) {
    TempFolder temp;
    Defaults defaults(temp.file("defaults.json"));
    RecordingNotesApp app;
    defaults.set(NotesWriter::kFolderKey, QStringLiteral("  Inbox\t"));
    const NotesWriter::Result created =
        awaitResult(NotesWriter::create(app, defaults, QStringLiteral("T"), QStringLiteral("b")));
    EXPECT_EQ(created.outcome, NotesApp::Outcome::Created);
    ASSERT_EQ(app.calls.size(), 1);
    EXPECT_EQ(app.calls[0].folder, QStringLiteral("Inbox"));
    EXPECT_EQ(app.calls[0].html, QStringLiteral("<h1>T</h1><div>b</div>"));
    EXPECT_FALSE(app.onGuiThread);

    defaults.set(NotesWriter::kFolderKey, QStringLiteral("../outside"));
    const NotesWriter::Result refused =
        awaitResult(NotesWriter::create(app, defaults, QStringLiteral("T"), QStringLiteral("b")));
    EXPECT_EQ(refused.outcome, NotesApp::Outcome::Failed);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("../outside")));
    EXPECT_EQ(app.calls.size(), 1) << "nothing is filed for a folder that cannot be used";
}

} // namespace
