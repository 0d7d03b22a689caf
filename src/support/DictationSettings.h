#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class Defaults;

// The seventeen settings the Dictation page edits, each with its key, type and
// the default every reader uses while the key is absent (or holds another
// type). The page and every reader of these keys (the hotkey binder, the
// bubble and its result card, the dictation pipeline, the paste, the audio
// ducking, the paper look) read through this one table, so a default is
// written once. Pure functions over `Defaults`; any thread.
namespace DictationSettings {

enum class Type { Integer, Boolean, Text, Number };

// The values a number setting can mean; a stored value outside is read as the
// nearer end (a hand-edited file may hold anything a timer cannot take).
struct Range {
    double lowest;
    double highest;
};

struct Setting {
    QString key;
    Type type;
    QVariant fallback;
    std::optional<Range> range = std::nullopt;
};

// In the page's order; the first nine are the hotkeys and double-taps.
const QList<Setting>& all();
// Translation's two double-tap keys: not edited on the page, but bound beside
// its taps and kept out of its pickers, so their defaults live here as well.
const QList<Setting>& translationTaps();
// The keys whose change re-binds the shortcuts.
const QStringList& bindingKeys();
bool isBindingKey(const QString& key);
// The row of `key` in either list; nullptr for any other key.
const Setting* find(const QString& key);
// The default of `key`; an invalid variant for a key not in the table.
QVariant fallback(const QString& key);

// The stored value of `key` when it has the setting's type, else its default;
// a number within the setting's range.
QVariant read(const Defaults& defaults, const QString& key);
// The same, typed, for readers that know the setting's type.
bool readBool(const Defaults& defaults, const QString& key);
qint64 readInteger(const Defaults& defaults, const QString& key);
QString readText(const Defaults& defaults, const QString& key);
double readNumber(const Defaults& defaults, const QString& key);
// Whether storing `value` under `key` would change what the readers see
// (storing the default of an absent key does not).
bool differs(const Defaults& defaults, const QString& key, const QVariant& value);

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
// The longest a result card may stay, in seconds: the Dictation page's slider.
inline constexpr Range kResultCardSecondsRange{1.0, 20.0};
inline const QString kGlassVariant = QStringLiteral("glassVariant");
inline const QString kPaperTheme = QStringLiteral("paperTheme");
// "cream", "slate" or "automatic"; what any other text means is the paper
// look's rule (`Paper::shade`).
inline const QString kPaperShade = QStringLiteral("paperShade");
inline const QString kShowResultCard = QStringLiteral("showResultCard");
inline const QString kHoldEarlyReturn = QStringLiteral("holdEarlyReturn");
inline const QString kKeepOnClipboard = QStringLiteral("keepDictationOnClipboard");

inline const QString kTranslateTapKey = QStringLiteral("doubleTapTranslateKey");
inline const QString kTranslateReadTapKey = QStringLiteral("doubleTapTranslateReadKey");

} // namespace DictationSettings
