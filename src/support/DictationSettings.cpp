#include "support/DictationSettings.h"

#include "support/Defaults.h"

#include <algorithm>
#include <cmath>

namespace DictationSettings {

namespace {

// The hotkeys' default modifier mask: Control (4096) + Option (2048).
constexpr qint64 kControlOption = 6144;
constexpr qsizetype kBindingCount = 9;

} // namespace

const QList<Setting>& all() {
    static const QList<Setting> table = {
        {kDictationKey, Type::Integer, 2},
        {kDictationMods, Type::Integer, kControlOption},
        {kReaderKey, Type::Integer, 15},
        {kReaderMods, Type::Integer, kControlOption},
        {kPasteLastKey, Type::Integer, 9},
        {kPasteLastMods, Type::Integer, kControlOption},
        {kDoubleTapEnabled, Type::Boolean, true},
        {kDoubleTapDictationKey, Type::Text, QStringLiteral("rightCommand")},
        {kDoubleTapReaderKey, Type::Text, QStringLiteral("rightOption")},
        {kPauseAudio, Type::Boolean, true},
        {kResultCardSeconds, Type::Number, 5.0, kResultCardSecondsRange},
        {kGlassVariant, Type::Integer, 11},
        {kPaperTheme, Type::Boolean, false},
        {kPaperShade, Type::Text, QStringLiteral("cream")},
        {kShowResultCard, Type::Boolean, false},
        {kHoldEarlyReturn, Type::Boolean, false},
        {kKeepOnClipboard, Type::Boolean, true},
    };
    return table;
}

const QList<Setting>& translationTaps() {
    static const QList<Setting> table = {
        {kTranslateTapKey, Type::Text, QStringLiteral("leftControl")},
        {kTranslateReadTapKey, Type::Text, QStringLiteral("leftOption")},
    };
    return table;
}

const QStringList& bindingKeys() {
    static const QStringList keys = [] {
        QStringList first;
        for (qsizetype i = 0; i < kBindingCount; ++i)
            first.append(all().at(i).key);
        return first;
    }();
    return keys;
}

bool isBindingKey(const QString& key) { return bindingKeys().contains(key); }

const Setting* find(const QString& key) {
    for (const QList<Setting>* list : {&all(), &translationTaps()})
        for (const Setting& setting : *list)
            if (setting.key == key)
                return &setting;
    return nullptr;
}

QVariant fallback(const QString& key) {
    const Setting* setting = find(key);
    return setting ? setting->fallback : QVariant();
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
    case Type::Number: {
        const double fallback = setting->fallback.toDouble();
        const double value = defaults.doubleOr(key, fallback);
        if (!setting->range)
            return value;
        return std::isnan(value) ? fallback : std::clamp(value, setting->range->lowest, setting->range->highest);
    }
    }
    return setting->fallback;
}

bool readBool(const Defaults& defaults, const QString& key) { return read(defaults, key).toBool(); }

qint64 readInteger(const Defaults& defaults, const QString& key) { return read(defaults, key).toLongLong(); }

QString readText(const Defaults& defaults, const QString& key) { return read(defaults, key).toString(); }

double readNumber(const Defaults& defaults, const QString& key) { return read(defaults, key).toDouble(); }

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

} // namespace DictationSettings
