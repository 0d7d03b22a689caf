#pragma once

#include "cleanup/CleanLevel.h"
#include "cleanup/NumberStyle.h"

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

class Defaults;
class JsonWriter;

// A named set of cleanup settings for the applications it names: how hard the
// transcript is polished, how numbers are written, whether it ends as a full
// sentence, whether every word stays, and a style instruction for the model.
struct DictationMode {
    QString id;
    QString name;
    QString symbol;
    CleanLevel cleanLevel = CleanLevel::Balanced;
    NumberStyle numberStyle = NumberStyle::Smart;
    bool endWithPeriod = false;
    QString instruction;
    std::optional<bool> keepEveryWord;
    QStringList appIDs; // application identifier prefixes, in the user's order
    bool isBuiltIn = false;

    bool operator==(const DictationMode&) const = default;

    // Whether every spoken word stays; unset means only for the "verbatim" mode.
    bool keepsEveryWord() const { return keepEveryWord.value_or(id == QLatin1String("verbatim")); }

    // A fresh notes mode from the settings "autoCleanLevel", "numberStyle" and "endWithPeriod".
    static DictationMode notes(const Defaults& settings);
    // The seven built-in modes in display order, the notes mode built from `settings`.
    static QList<DictationMode> builtIns(const Defaults& settings);

    // The stored JSON form: every key but "keepEveryWord" is required. Any text is
    // read as a clean level and a number style (an unknown one as "balanced" and
    // "smart") and written back as the level's and the style's own text.
    void write(JsonWriter& json) const;
    static std::optional<DictationMode> fromJson(const QJsonObject& object);
};

Q_DECLARE_METATYPE(DictationMode)
