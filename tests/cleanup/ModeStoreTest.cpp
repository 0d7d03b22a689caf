// Dictation modes: the stored list, its repair on load, and which mode applies
// to the focused application.
#include "cleanup/ModeStore.h"
#include "support/Defaults.h"
#include "support/JsonWriter.h"
#include "support/TempFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>

#include <gtest/gtest.h>

// Shows levels and styles by their stored texts in failure messages.
void PrintTo(CleanLevel level, std::ostream* out) { *out << toString(level).toStdString(); }
void PrintTo(NumberStyle style, std::ostream* out) { *out << toString(style).toStdString(); }

namespace {

QStringList ids(const QList<DictationMode>& modes) {
    QStringList list;
    for (const DictationMode& mode : modes)
        list << mode.id;
    return list;
}

QString stored(const QList<DictationMode>& modes) {
    JsonWriter json;
    json.beginArray();
    for (const DictationMode& mode : modes)
        mode.write(json);
    json.endArray();
    return QString::fromUtf8(json.data());
}

class ModeStoreTest : public testing::Test {
protected:
    TempFolder folder;
    Defaults settings{folder.file(QStringLiteral("defaults.json"))};

    DictationMode builtIn(const QString& id) {
        for (const DictationMode& mode : DictationMode::builtIns(settings))
            if (mode.id == id)
                return mode;
        return {};
    }
    DictationMode userMode(const QString& id, const QStringList& apps) {
        DictationMode mode;
        mode.id = id;
        mode.name = QStringLiteral("Mine");
        mode.symbol = QStringLiteral("star");
        mode.cleanLevel = CleanLevel::Aggressive;
        mode.numberStyle = NumberStyle::Words;
        mode.appIDs = apps;
        return mode;
    }
};

const QStringList builtInOrder = {"notes", "email", "message", "code", "legal", "financial", "verbatim"};

TEST_F(ModeStoreTest, NoStoredListGivesTheSevenBuiltIns) {
    ModeStore store(settings);
    EXPECT_EQ(ids(store.modes()), builtInOrder);
    for (const DictationMode& mode : store.modes()) {
        EXPECT_TRUE(mode.isBuiltIn);
        EXPECT_FALSE(mode.keepEveryWord.has_value());
    }
    EXPECT_TRUE(store.mode(QStringLiteral("verbatim"))->keepsEveryWord());
    EXPECT_FALSE(store.mode(QStringLiteral("email"))->keepsEveryWord());
    // The four style instructions are written out, the others empty.
    for (const QString id : {"email", "message", "legal", "financial"})
        EXPECT_GT(store.mode(id)->instruction.size(), 60) << id.toStdString();
    EXPECT_TRUE(store.mode(QStringLiteral("code"))->instruction.isEmpty());
    EXPECT_FALSE(settings.contains(ModeStore::modesKey)); // loading writes nothing
}

TEST_F(ModeStoreTest, StoredModesRoundTrip) {
    {
        ModeStore store(settings);
        DictationMode added = store.add();
        EXPECT_EQ(added.name, QStringLiteral("New mode"));
        EXPECT_EQ(added.id, added.id.toUpper());
        added.name = QStringLiteral("Standup notes");
        added.keepEveryWord = false;
        added.appIDs = {QStringLiteral("org.kde.kate"), QStringLiteral("com/slash")};
        store.update(added);
    }
    const QString json = settings.string(ModeStore::modesKey).value_or(QString());
    EXPECT_TRUE(json.startsWith(QLatin1String("[{\"id\":\"notes\",\"name\":\"Notes\",\"symbol\":\"note.text\",")));
    EXPECT_TRUE(json.contains(QLatin1String("com\\/slash")));
    EXPECT_EQ(json.count(QLatin1String("keepEveryWord")), 1);

    ModeStore reloaded(settings);
    ASSERT_EQ(reloaded.modes().size(), 8);
    const DictationMode mine = reloaded.modes().last();
    EXPECT_EQ(mine.name, QStringLiteral("Standup notes"));
    EXPECT_EQ(mine.keepEveryWord, std::optional<bool>(false));
    EXPECT_EQ(mine.appIDs, (QStringList{"org.kde.kate", "com/slash"}));
    EXPECT_FALSE(mine.isBuiltIn);

    reloaded.remove(mine);
    EXPECT_EQ(ids(ModeStore(settings).modes()), builtInOrder);
}

TEST_F(ModeStoreTest, StoredBuiltInsKeepTheUsersSettingsButTakeTheCurrentNameAndSymbol) {
    DictationMode email = builtIn(QStringLiteral("email"));
    email.name = QStringLiteral("My mail");
    email.symbol = QStringLiteral("tray");
    email.cleanLevel = CleanLevel::Aggressive;
    DictationMode code = userMode(QStringLiteral("code"), {QStringLiteral("org.kde.kate")});
    settings.set(ModeStore::modesKey, stored({email, code, builtIn(QStringLiteral("notes"))}));

    ModeStore store(settings);
    // "code" is a user mode here: it suppresses the built-in; the missing built-ins follow in order.
    EXPECT_EQ(ids(store.modes()), (QStringList{"email", "code", "notes", "message", "legal", "financial", "verbatim"}));
    EXPECT_EQ(store.modes()[0].name, QStringLiteral("Email"));
    EXPECT_EQ(store.modes()[0].symbol, QStringLiteral("envelope"));
    EXPECT_EQ(store.modes()[0].cleanLevel, CleanLevel::Aggressive);
    EXPECT_EQ(store.modes()[1].name, QStringLiteral("Mine"));
}

TEST_F(ModeStoreTest, ADamagedListIsKeptAsideAndTheBuiltInsComeBack) {
    const QString missingApps = QStringLiteral(
        "[{\"id\":\"x\",\"name\":\"X\",\"symbol\":\"s\",\"cleanLevel\":\"off\",\"numberStyle\":\"words\","
        "\"endWithPeriod\":false,\"instruction\":\"\",\"isBuiltIn\":false}]");
    for (const QString& damaged : {missingApps, QStringLiteral("[{\"id\": 3}"), QStringLiteral("[]")}) {
        settings.set(ModeStore::modesKey, damaged);
        ModeStore store(settings);
        EXPECT_EQ(ids(store.modes()), builtInOrder) << damaged.toStdString();
    }
    // An element without "keepEveryWord" is fine.
    const QString withoutKeep =
        QString(missingApps).replace(QStringLiteral("\"isBuiltIn\""), QStringLiteral("\"appIDs\":[],\"isBuiltIn\""));
    settings.set(ModeStore::modesKey, withoutKeep);
    EXPECT_EQ(ModeStore(settings).modes().first().id, QStringLiteral("x"));

    settings.set(ModeStore::modesKey, missingApps);
    ModeStore store(settings);
    store.add();
    QStringList aside;
    for (const QString& key : QJsonDocument::fromJson(folder.read(QStringLiteral("defaults.json"))).object().keys())
        if (key.startsWith(ModeStore::modesKey + QStringLiteral(".unreadable-")))
            aside << key;
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(settings.string(aside.first()), missingApps);
    EXPECT_EQ(ModeStore(settings).modes().size(), 8);
}

TEST_F(ModeStoreTest, LevelsAndStylesAreStoredAsTextsAndUnknownTextsReadAsBalancedAndSmart) {
    const QString mode =
        QStringLiteral("[{\"id\":\"x\",\"name\":\"X\",\"symbol\":\"s\",\"cleanLevel\":\"%1\",\"numberStyle\":\"%2\","
                       "\"endWithPeriod\":false,\"instruction\":\"\",\"appIDs\":[],\"isBuiltIn\":false}]");
    settings.set(ModeStore::modesKey, mode.arg(QStringLiteral("aggressive"), QStringLiteral("words")));
    EXPECT_EQ(ModeStore(settings).modes().first().cleanLevel, CleanLevel::Aggressive);
    EXPECT_EQ(ModeStore(settings).modes().first().numberStyle, NumberStyle::Words);

    // An unknown text leaves the mode readable and cleaning as the defaults do.
    settings.set(ModeStore::modesKey, mode.arg(QStringLiteral("light"), QStringLiteral("roman")));
    settings.set(QStringLiteral("autoCleanLevel"), QStringLiteral("medium"));
    ModeStore store(settings);
    ASSERT_EQ(store.modes().first().id, QStringLiteral("x"));
    EXPECT_EQ(store.modes().first().cleanLevel, CleanLevel::Balanced);
    EXPECT_EQ(store.modes().first().numberStyle, NumberStyle::Smart);
    EXPECT_EQ(store.mode(QStringLiteral("notes"))->cleanLevel, CleanLevel::Balanced);

    store.save();
    const QString json = settings.string(ModeStore::modesKey).value_or(QString());
    EXPECT_TRUE(json.startsWith(QLatin1String("[{\"id\":\"x\",\"name\":\"X\",\"symbol\":\"s\",\"cleanLevel\":"
                                              "\"balanced\",\"numberStyle\":\"smart\",")))
        << json.toStdString();
}

TEST_F(ModeStoreTest, ResolveTakesOffThenPinnedThenPrefixThenNotes) {
    settings.set(QStringLiteral("autoCleanLevel"), QStringLiteral("aggressive"));
    ModeStore store(settings);
    const auto resolved = [&](const std::optional<QString>& app) { return store.resolve(app).id; };

    EXPECT_EQ(resolved(QStringLiteral("com.jetbrains.intellij.ce")), QStringLiteral("code"));
    EXPECT_EQ(resolved(QStringLiteral("jetbrains-pycharm")), QStringLiteral("code"));
    EXPECT_EQ(resolved(QStringLiteral("COM.APPLE.MAIL")), QStringLiteral("email"));
    EXPECT_EQ(resolved(QStringLiteral("org.gnome.Terminal")), QStringLiteral("code"));
    EXPECT_EQ(resolved(QStringLiteral("slack")), QStringLiteral("message"));
    EXPECT_EQ(resolved(QStringLiteral("org.kde.kate")), QStringLiteral("notes"));
    EXPECT_EQ(resolved(std::nullopt), QStringLiteral("notes"));
    EXPECT_EQ(resolved(QString()), QStringLiteral("notes"));
    EXPECT_EQ(store.resolve(std::nullopt).cleanLevel, CleanLevel::Aggressive);

    settings.set(ModeStore::pinnedKey, QStringLiteral("legal"));
    EXPECT_EQ(resolved(QStringLiteral("com.apple.mail")), QStringLiteral("legal"));
    settings.set(ModeStore::pinnedKey, QStringLiteral("deleted-mode"));
    EXPECT_EQ(resolved(QStringLiteral("com.apple.mail")), QStringLiteral("email"));

    settings.set(ModeStore::pinnedKey, QStringLiteral("code"));
    settings.set(ModeStore::enabledKey, false);
    EXPECT_EQ(resolved(QStringLiteral("com.apple.dt.Xcode")), QStringLiteral("notes"));
    settings.set(ModeStore::enabledKey, QStringLiteral("no")); // not a Boolean: on
    EXPECT_EQ(resolved(QStringLiteral("com.apple.mail")), QStringLiteral("code"));
}

TEST_F(ModeStoreTest, EarlierModesWinAPrefix) {
    ModeStore store(settings);
    QList<DictationMode> modes = store.modes();
    modes.append(userMode(QStringLiteral("after"), {QStringLiteral("com.apple.mail")}));
    store.setModes(modes);
    EXPECT_EQ(store.resolve(QStringLiteral("com.apple.mail")).id, QStringLiteral("email"));
    modes.prepend(userMode(QStringLiteral("before"), {QStringLiteral("com.apple.mail")}));
    store.setModes(modes);
    EXPECT_EQ(store.resolve(QStringLiteral("com.apple.mail")).id, QStringLiteral("before"));
    // An empty entry covers every application.
    modes.prepend(userMode(QStringLiteral("all"), {QString()}));
    store.setModes(modes);
    EXPECT_EQ(store.resolve(QStringLiteral("anything")).id, QStringLiteral("all"));
    EXPECT_FALSE(settings.contains(ModeStore::modesKey)); // assigning publishes without storing
}

TEST_F(ModeStoreTest, BuiltInsCannotBeDeletedAndUnknownIdsChangeNothing) {
    ModeStore store(settings);
    QSignalSpy changes(&store, &ModeStore::modesChanged);
    store.remove(builtIn(QStringLiteral("legal")));
    store.update(userMode(QStringLiteral("nobody"), {}));
    EXPECT_EQ(ids(store.modes()), builtInOrder);
    EXPECT_FALSE(settings.contains(ModeStore::modesKey));
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(ModeStoreTest, TheNotesModeIsAlwaysBuiltFreshFromTheSettings) {
    DictationMode notes = builtIn(QStringLiteral("notes"));
    notes.cleanLevel = CleanLevel::Off;
    settings.set(ModeStore::modesKey, stored({notes}));
    settings.set(QStringLiteral("numberStyle"), QStringLiteral("digits"));
    settings.set(QStringLiteral("endWithPeriod"), true);
    ModeStore store(settings);
    EXPECT_EQ(store.modes().first().cleanLevel, CleanLevel::Off);
    const DictationMode fresh = *store.mode(QStringLiteral("notes"));
    EXPECT_EQ(fresh.cleanLevel, CleanLevel::Balanced);
    EXPECT_EQ(fresh.numberStyle, NumberStyle::Digits);
    EXPECT_TRUE(fresh.endWithPeriod);
    EXPECT_EQ(store.activeMode().id, QStringLiteral("notes"));
}

} // namespace
