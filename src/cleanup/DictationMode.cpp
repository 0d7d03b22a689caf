#include "cleanup/DictationMode.h"

#include "cleanup/Veiled.h"
#include "cleanup/VeiledTexts.h"
#include "support/Defaults.h"
#include "support/JsonWriter.h"

#include <QJsonArray>

namespace {

struct Instructions {
    QString email = Veiled::unveil(VeiledTexts::emailInstruction());
    QString message = Veiled::unveil(VeiledTexts::messageInstruction());
    QString legal = Veiled::unveil(VeiledTexts::legalInstruction());
    QString financial = Veiled::unveil(VeiledTexts::financialInstruction());
};

const Instructions& instructions() {
    static const Instructions texts;
    return texts;
}

DictationMode builtIn(const char* id, const char* name, const char* symbol, CleanLevel level, NumberStyle numbers,
                      bool endWithPeriod, const QString& instruction, const QStringList& appIDs) {
    DictationMode mode;
    mode.id = QString::fromLatin1(id);
    mode.name = QString::fromUtf8(name);
    mode.symbol = QString::fromLatin1(symbol);
    mode.cleanLevel = level;
    mode.numberStyle = numbers;
    mode.endWithPeriod = endWithPeriod;
    mode.instruction = instruction;
    mode.appIDs = appIDs;
    mode.isBuiltIn = true;
    return mode;
}

} // namespace

DictationMode DictationMode::notes(const Defaults& settings) {
    DictationMode mode =
        builtIn("notes", "Notes", "note.text", CleanLevel::Balanced, NumberStyle::Smart, false, QString(), {});
    mode.cleanLevel =
        cleanLevelFromString(settings.stringOr(QStringLiteral("autoCleanLevel"), toString(mode.cleanLevel)));
    mode.numberStyle =
        numberStyleFromString(settings.stringOr(QStringLiteral("numberStyle"), toString(mode.numberStyle)));
    mode.endWithPeriod = settings.boolOr(QStringLiteral("endWithPeriod"), false);
    return mode;
}

QList<DictationMode> DictationMode::builtIns(const Defaults& settings) {
    // Each mode's identifiers: the other desktop's first, then the desktop-entry
    // ids and window classes of the same applications on Linux.
    return {
        notes(settings),
        builtIn("email", "Email", "envelope", CleanLevel::Balanced, NumberStyle::Smart, true, instructions().email,
                {"com.apple.mail", "com.microsoft.Outlook", "com.readdle.smartemail", "com.superhuman.mail",
                 "com.missiveapp.missive", "com.sparkmailapp", "org.mozilla.thunderbird", "thunderbird",
                 "net.thunderbird", "org.gnome.evolution", "evolution", "org.gnome.geary", "geary", "org.kde.kmail",
                 "mailspring", "com.getmailspring"}),
        builtIn("message", "Message", "bubble.left", CleanLevel::Balanced, NumberStyle::Smart, false,
                instructions().message,
                {"com.apple.MobileSMS", "com.tinyspeck.slackmacgap", "com.hnc.Discord", "com.facebook.archon",
                 "org.whispersystems.signal-desktop", "ru.keepcoder.Telegram", "com.microsoft.teams", "slack",
                 "com.slack.Slack", "discord", "com.discordapp.Discord", "signal", "org.signal.Signal",
                 "org.telegram.desktop", "telegram-desktop", "telegramdesktop", "teams",
                 "com.github.IsmaelMartinez.teams_for_linux"}),
        builtIn("code", "Code", "chevron.left.forwardslash.chevron.right", CleanLevel::Off, NumberStyle::Digits, false,
                QString(),
                {"com.microsoft.VSCode",
                 "com.apple.dt.Xcode",
                 "com.todesktop",
                 "com.jetbrains",
                 "com.googlecode.iterm2",
                 "com.apple.Terminal",
                 "dev.warp.Warp",
                 "com.sublimetext",
                 "com.github.atom",
                 "com.neovim",
                 "org.vim",
                 "code",
                 "com.visualstudio.code",
                 "cursor",
                 "jetbrains-",
                 "org.gnome.Terminal",
                 "gnome-terminal",
                 "org.kde.konsole",
                 "konsole",
                 "xterm",
                 "uxterm",
                 "sublime_text",
                 "atom",
                 "nvim",
                 "neovide",
                 "gvim",
                 "vim"}),
        builtIn("legal", "Legal", "building.columns", CleanLevel::Balanced, NumberStyle::Smart, true,
                instructions().legal, {}),
        builtIn("financial", "Financial", "chart.line.uptrend.xyaxis", CleanLevel::Balanced, NumberStyle::Digits, true,
                instructions().financial, {}),
        builtIn("verbatim", "On the record", "text.quote", CleanLevel::Off, NumberStyle::Words, false, QString(), {}),
    };
}

void DictationMode::write(JsonWriter& json) const {
    json.beginObject();
    json.field(QStringLiteral("id"), id);
    json.field(QStringLiteral("name"), name);
    json.field(QStringLiteral("symbol"), symbol);
    json.field(QStringLiteral("cleanLevel"), toString(cleanLevel));
    json.field(QStringLiteral("numberStyle"), toString(numberStyle));
    json.field(QStringLiteral("endWithPeriod"), endWithPeriod);
    json.field(QStringLiteral("instruction"), instruction);
    json.fieldIfPresent(QStringLiteral("keepEveryWord"), keepEveryWord);
    json.field(QStringLiteral("appIDs"), appIDs);
    json.field(QStringLiteral("isBuiltIn"), isBuiltIn);
    json.endObject();
}

std::optional<DictationMode> DictationMode::fromJson(const QJsonObject& object) {
    const auto text = [&](const char* key) -> std::optional<QString> {
        const QJsonValue value = object.value(QLatin1String(key));
        return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
    };
    const auto flag = [&](const char* key) -> std::optional<bool> {
        const QJsonValue value = object.value(QLatin1String(key));
        return value.isBool() ? std::optional<bool>(value.toBool()) : std::nullopt;
    };
    DictationMode mode;
    const auto id = text("id"), name = text("name"), symbol = text("symbol"), level = text("cleanLevel"),
               numbers = text("numberStyle"), instruction = text("instruction");
    const auto endWithPeriod = flag("endWithPeriod"), isBuiltIn = flag("isBuiltIn");
    const QJsonValue apps = object.value(QLatin1String("appIDs"));
    if (!id || !name || !symbol || !level || !numbers || !instruction || !endWithPeriod || !isBuiltIn
        || !apps.isArray())
        return std::nullopt;
    for (const QJsonValue& app : apps.toArray()) {
        if (!app.isString())
            return std::nullopt;
        mode.appIDs << app.toString();
    }
    const QJsonValue keep = object.value(QLatin1String("keepEveryWord"));
    if (keep.isBool())
        mode.keepEveryWord = keep.toBool();
    else if (!keep.isUndefined() && !keep.isNull())
        return std::nullopt;
    mode.id = *id;
    mode.name = *name;
    mode.symbol = *symbol;
    mode.cleanLevel = cleanLevelFromString(*level);
    mode.numberStyle = numberStyleFromString(*numbers);
    mode.endWithPeriod = *endWithPeriod;
    mode.instruction = *instruction;
    mode.isBuiltIn = *isBuiltIn;
    return mode;
}
