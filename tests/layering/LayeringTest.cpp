// The house's floors: every quoted include in src/ goes to the including
// file's own folder or to one listed before it, and only the two programs
// include the Linux implementations.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace {

// Bottom to top; a folder may include only its own floor's folders listed
// before it and the floors below. `floor` groups the list for the reader.
struct Folder {
    int floor;
    const char* name;
};
constexpr Folder kFloors[] = {
    {1, "support"},                                                     // small shared helpers
    {2, "platform"},                                                    // operating-system interfaces
    {3, "state"},        {3, "looks"},     {3, "audio"},                // shared state, widget kit, capture
    {3, "hotkeys"},      {3, "stores"},                                 // global keys, user data
    {4, "engine"},       {4, "cleanup"},   {4, "insertion"},            // services
    {4, "translator"},
    {5, "dictation"},    {5, "learning"},  {5, "reader"},               // roads
    {5, "translation"},  {5, "install"},   {5, "phonelink"},
    {6, "onboarding"},   {6, "mainwindow"},                             // pages
    {7, "helper"},       {7, "app"},                                    // the programs
};
const QString kLinux = QStringLiteral("platform/linux");
// The only files outside platform/linux that may include it: the programs' mains.
const QRegularExpression kLinuxUsers(QStringLiteral("^(app/main\\.cpp|helper/.*)$"));

// The folder of a path below src/; platform/linux counts as its own.
QString folderOf(const QString& path) {
    if (path.startsWith(kLinux + QLatin1Char('/')))
        return kLinux;
    return path.section(QLatin1Char('/'), 0, 0);
}

int rankOf(const QString& folder) {
    for (int i = 0; i < int(std::size(kFloors)); ++i) {
        if (folder == QLatin1String(kFloors[i].name))
            return i;
    }
    return -1;
}

// Why `file` may not include `target`, or nothing when it may.
QString fault(const QString& file, const QString& target) {
    const QString from = folderOf(file);
    const QString to = folderOf(target);
    if (to == kLinux)
        return from == kLinux || kLinuxUsers.match(file).hasMatch()
                   ? QString()
                   : QStringLiteral("only the programs' mains include the Linux implementations");
    if (from == kLinux)
        return to == QLatin1String("platform") || to == QLatin1String("support")
                   ? QString()
                   : QStringLiteral("the Linux implementations include only platform/ and support/");
    if (from == to)
        return {};
    if (rankOf(from) < 0)
        return QStringLiteral("folder %1 has no floor in this test").arg(from);
    if (rankOf(to) < 0)
        return QStringLiteral("folder %1 has no floor in this test").arg(to);
    return rankOf(to) > rankOf(from) ? QStringLiteral("%1 is above %2").arg(to, from) : QString();
}

TEST(Layering, EveryIncludeGoesDownward) {
    const QString src = QStringLiteral(QUORVANE_TEST_SOURCE "/../src/");
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""));
    int files = 0;
    QDirIterator it(src, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString file = path.mid(src.size());
        QFile text(path);
        ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << path.toStdString();
        ++files;
        int line = 0;
        while (!text.atEnd()) {
            ++line;
            const QRegularExpressionMatch match = include.match(QString::fromUtf8(text.readLine()));
            if (!match.hasMatch() || !QFile::exists(src + match.captured(1)))
                continue;
            const QString why = fault(file, match.captured(1));
            EXPECT_TRUE(why.isEmpty()) << "src/" << file.toStdString() << ":" << line << " includes \""
                                       << match.captured(1).toStdString() << "\": " << why.toStdString();
        }
    }
    EXPECT_GT(files, 100) << "the sources were not found at " << src.toStdString();
}

} // namespace
