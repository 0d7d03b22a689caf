#include "mainwindow/DictationSettings.h"

#include "support/Defaults.h"

namespace DictationSettings {

const QList<Setting>& all() {
    static const QList<Setting> table = {
        {kDictationKey, Type::Integer, 2},
        {kDictationMods, Type::Integer, 6144},
        {kReaderKey, Type::Integer, 15},
        {kReaderMods, Type::Integer, 6144},
        {kPasteLastKey, Type::Integer, 9},
        {kPasteLastMods, Type::Integer, 6144},
        {kDoubleTapEnabled, Type::Boolean, true},
        {kDoubleTapDictationKey, Type::Text, QStringLiteral("rightCommand")},
        {kDoubleTapReaderKey, Type::Text, QStringLiteral("rightOption")},
        {kPauseAudio, Type::Boolean, true},
        {kResultCardSeconds, Type::Number, 5.0},
        {kGlassVariant, Type::Integer, 11},
        {kPaperTheme, Type::Boolean, false},
        {kPaperShade, Type::Text, QStringLiteral("cream")},
        {kShowResultCard, Type::Boolean, false},
        {kHoldEarlyReturn, Type::Boolean, false},
        {kKeepOnClipboard, Type::Boolean, true},
    };
    return table;
}

const QStringList& bindingKeys() {
    static const QStringList keys = [] {
        QStringList first;
        for (qsizetype i = 0; i < 9; ++i)
            first.append(all().at(i).key);
        return first;
    }();
    return keys;
}

bool isBindingKey(const QString& key) {
    return bindingKeys().contains(key);
}

const Setting* find(const QString& key) {
    for (const Setting& setting : all())
        if (setting.key == key)
            return &setting;
    return nullptr;
}

QVariant read(const Defaults& defaults, const QString& key) {
    const Setting* setting = find(key);
    if (!setting)
        return defaults.value(key);
    switch (setting->type) {
    case Type::Integer:
        return defaults.intOr(key, setting->fallback.toLongLong());
    case Type::Boolean:
        return defaults.boolOr(key, setting->fallback.toBool());
    case Type::Text:
        return defaults.stringOr(key, setting->fallback.toString());
    case Type::Number:
        return defaults.doubleOr(key, setting->fallback.toDouble());
    }
    return setting->fallback;
}

bool differs(const Defaults& defaults, const QString& key, const QVariant& value) {
    const Setting* setting = find(key);
    const QVariant current = read(defaults, key);
    if (!setting)
        return current != value;
    switch (setting->type) {
    case Type::Integer:
        return current.toLongLong() != value.toLongLong();
    case Type::Boolean:
        return current.toBool() != value.toBool();
    case Type::Text:
        return current.toString() != value.toString();
    case Type::Number:
        return current.toDouble() != value.toDouble();
    }
    return true;
}

QString toString(PaperShade shade) {
    switch (shade) {
    case PaperShade::Cream:
        return QStringLiteral("cream");
    case PaperShade::Slate:
        return QStringLiteral("slate");
    case PaperShade::Automatic:
        return QStringLiteral("automatic");
    }
    return QStringLiteral("cream");
}

PaperShade paperShade(const Defaults& defaults) {
    const QString raw = defaults.stringOr(kPaperShade, QString());
    for (PaperShade shade : {PaperShade::Slate, PaperShade::Automatic})
        if (raw == toString(shade))
            return shade;
    return PaperShade::Cream;
}

} // namespace DictationSettings
