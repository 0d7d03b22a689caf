// The house's floors: every quoted include in src/ names a file of src/ (from
// src/ or from the including file's folder) in the including file's own
// folder or in one listed before it, no include in angle brackets names a
// file of src/, and only the two programs include the Linux implementations.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
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
    {1, "support"},                                                        // small shared helpers
    {2, "platform"},                                                       // operating-system interfaces
    {3, "state"},       {3, "looks"},     {3, "audio"},                    // shared state, widget kit, capture
    {3, "hotkeys"},     {3, "stores"},                                     // global keys, user data
    {4, "engine"},      {4, "cleanup"},   {4, "insertion"},                // services
    {4, "translator"},  {5, "dictation"}, {5, "learning"},  {5, "reader"}, // roads
    {5, "translation"}, {5, "install"},   {5, "phonelink"}, {6, "onboarding"}, {6, "mainwindow"}, // pages
    {7, "selftests"},               // the developer self-tests
    {8, "helper"},      {8, "app"}, // the programs
};
// Headers the build writes, each with the file it is made from.
struct Generated {
    const char* header;
    const char* source;
};
constexpr Generated kGenerated[] = {
    {"cleanup/VeiledTexts.h", "cleanup/VeiledTexts.txt"},
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

// The path below `src` that `name`, included from `file`, reaches as the
// compiler looks for it (the including file's folder first, then src/), or
// nothing when no file of src/ or of the build's generated ones has that name.
QString resolve(const QString& src, const QString& file, const QString& name) {
    const QString folder = file.section(QLatin1Char('/'), 0, -2);
    if (!folder.isEmpty()) {
        const QString beside = QDir::cleanPath(folder + QLatin1Char('/') + name);
        if (!beside.startsWith(QLatin1String("../")) && QFileInfo(src + beside).isFile())
            return beside;
    }
    const QString fromSrc = QDir::cleanPath(name);
    if (!fromSrc.startsWith(QLatin1String("../")) && QFileInfo(src + fromSrc).isFile())
        return fromSrc;
    for (const Generated& generated : kGenerated) {
        if (fromSrc == QLatin1String(generated.header) && QFileInfo(src + QLatin1String(generated.source)).isFile())
            return fromSrc;
    }
    return {};
}

TEST(Layering, EveryIncludeGoesDownward) {
    const QString src = QStringLiteral(QUORVANE_TEST_SOURCE "/../src/");
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*([\"<])([^\">]+)[\">]"));
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
            if (!match.hasMatch())
                continue;
            const QString name = match.captured(2);
            const bool angled = match.captured(1) == QLatin1String("<");
            const auto where = [&] {
                const QString shown =
                    angled ? QLatin1Char('<') + name + QLatin1Char('>') : QLatin1Char('"') + name + QLatin1Char('"');
                return QStringLiteral("src/%1:%2 includes %3").arg(file).arg(line).arg(shown).toStdString();
            };
            if (angled) {
                EXPECT_FALSE(QFileInfo(src + name).isFile())
                    << where() << ": a file of src/ goes in quotes, not in angle brackets";
                continue;
            }
            const QString target = resolve(src, file, name);
            if (target.isEmpty()) {
                ADD_FAILURE() << where() << ": no file of src/ has that name";
                continue;
            }
            const QString why = fault(file, target);
            EXPECT_TRUE(why.isEmpty()) << where() << ": " << why.toStdString();
        }
    }
    EXPECT_GT(files, 100) << "the sources were not found at " << src.toStdString();
}

} // namespace
