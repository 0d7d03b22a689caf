#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class Defaults;

// The seventeen settings the Dictation page edits, each with its key, type and
// the default every reader uses while the key is absent (or holds another
// type). The page and the readers share this one table.
namespace DictationSettings {

enum class Type { Integer, Boolean, Text, Number };

struct Setting {
    QString key;
    Type type;
    QVariant fallback;
};

// In the page's order; the first nine are the hotkeys and double-taps.
const QList<Setting>& all();
// The keys whose change re-binds the shortcuts.
const QStringList& bindingKeys();
bool isBindingKey(const QString& key);
// The row of `key`; nullptr for a key not in the table.
const Setting* find(const QString& key);

// The stored value of `key` when it has the setting's type, else its default.
QVariant read(const Defaults& defaults, const QString& key);
// Whether storing `value` under `key` would change what the readers see
// (storing the default of an absent key does not).
bool differs(const Defaults& defaults, const QString& key, const QVariant& value);

enum class PaperShade { Cream, Slate, Automatic };
QString toString(PaperShade shade);
// Exact raw values only; any other text (or none) is cream.
PaperShade paperShade(const Defaults& defaults);

inline const QString kDictationKey = QStringLiteral("dictationKey");
inline const QString kDictationMods = QStringLiteral("dictationMods");
inline const QString kReaderKey = QStringLiteral("readerKey");
inline const QString kReaderMods = QStringLiteral("readerMods");
inline const QString kPasteLastKey = QStringLiteral("pasteLastKey");
inline const QString kPasteLastMods = QStringLiteral("pasteLastMods");
inline const QString kDoubleTapEnabled = QStringLiteral("doubleTapEnabled");
inline const QString kDoubleTapDictationKey = QStringLiteral("doubleTapDictationKey");
inline const QString kDoubleTapReaderKey = QStringLiteral("doubleTapReaderKey");
inline const QString kPauseAudio = QStringLiteral("pauseAudioWhileDictating");
inline const QString kResultCardSeconds = QStringLiteral("resultCardSeconds");
inline const QString kGlassVariant = QStringLiteral("glassVariant");
inline const QString kPaperTheme = QStringLiteral("paperTheme");
inline const QString kPaperShade = QStringLiteral("paperShade");
inline const QString kShowResultCard = QStringLiteral("showResultCard");
inline const QString kHoldEarlyReturn = QStringLiteral("holdEarlyReturn");
inline const QString kKeepOnClipboard = QStringLiteral("keepDictationOnClipboard");

// Translation's two double-tap keys, kept apart from the page's own pickers.
inline const QString kTranslateTapKey = QStringLiteral("doubleTapTranslateKey");
inline const QString kTranslateReadTapKey = QStringLiteral("doubleTapTranslateReadKey");

} // namespace DictationSettings
