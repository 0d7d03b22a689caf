#include "platform/linux/EwmhWorkspace.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using Entry = EwmhWorkspace::DesktopEntry;

TEST(DesktopEntryTest, ReadsTheMainGroupOnly) {
    TempFolder folder;
    const QString path =
        folder.write(QStringLiteral("org.example.Notes.desktop"),
                     "# comment\n[Desktop Entry]\nName=Notes\nName[de]=Notizen\nIcon=notes-icon\n"
                     "StartupWMClass=notes-bin\nNoDisplay=true\n\n[Desktop Action new]\nName=New note\n");
    const std::optional<Entry> entry = EwmhWorkspace::parseDesktopEntry(path, QStringLiteral("org.example.Notes"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->id, QStringLiteral("org.example.Notes"));
    EXPECT_EQ(entry->name, QStringLiteral("Notes"));
    EXPECT_EQ(entry->icon, QStringLiteral("notes-icon"));
    EXPECT_EQ(entry->startupWMClass, QStringLiteral("notes-bin"));

    const QString hidden = folder.write(QStringLiteral("gone.desktop"), "[Desktop Entry]\nName=Gone\nHidden=true\n");
    EXPECT_FALSE(EwmhWorkspace::parseDesktopEntry(hidden, QStringLiteral("gone")));
    EXPECT_FALSE(EwmhWorkspace::parseDesktopEntry(folder.file(QStringLiteral("missing.desktop")), QString()));
}

TEST(DesktopEntryTest, IdentifiesByApplicationIdThenWindowClassThenTheClassLowerCased) {
    const QHash<QString, Entry> entries = {
        {QStringLiteral("org.gnome.TextEditor"),
         {QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), {}, {}}},
        {QStringLiteral("org.kde.konsole"),
         {QStringLiteral("org.kde.konsole"), QStringLiteral("Konsole"), {}, QStringLiteral("konsole")}},
        {QStringLiteral("firefox"), {QStringLiteral("firefox"), QStringLiteral("Firefox"), {}, {}}},
    };

    auto [id, entry] = EwmhWorkspace::identify(entries, QStringLiteral("org.gnome.TextEditor"), QStringLiteral("x"),
                                               QStringLiteral("X"));
    EXPECT_EQ(id, QStringLiteral("org.gnome.TextEditor"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, QStringLiteral("Text Editor"));

    std::tie(id, entry) =
        EwmhWorkspace::identify(entries, QString(), QStringLiteral("konsole"), QStringLiteral("Konsole"));
    EXPECT_EQ(id, QStringLiteral("org.kde.konsole"));

    std::tie(id, entry) =
        EwmhWorkspace::identify(entries, QString(), QStringLiteral("Navigator"), QStringLiteral("Firefox"));
    EXPECT_EQ(id, QStringLiteral("firefox"));
    EXPECT_TRUE(entry);

    std::tie(id, entry) = EwmhWorkspace::identify(entries, QString(), QStringLiteral("xterm"), QStringLiteral("XTerm"));
    EXPECT_EQ(id, QStringLiteral("xterm"));
    EXPECT_FALSE(entry);
}

} // namespace
