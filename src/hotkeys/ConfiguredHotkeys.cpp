#include "hotkeys/ConfiguredHotkeys.h"

#include "hotkeys/HotkeyManager.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"

namespace {

using Key = ModifierTapMonitor::Key;

// A stored key code or modifier mask; absent, not an integer, or outside
// 0…4294967295 gives the setting's default.
quint32 storedCode(const Defaults& defaults, const QString& key) {
    const qint64 value = DictationSettings::readInteger(defaults, key);
    if (value < 0 || value > qint64(UINT32_MAX))
        return quint32(DictationSettings::fallback(key).toLongLong());
    return quint32(value);
}

// A stored double-tap key; absent, not text, or not one of the keys' raw
// values gives the setting's default.
Key storedKey(const Defaults& defaults, const QString& setting) {
    const Key fallback = ModifierTapMonitor::fromString(DictationSettings::fallback(setting).toString()).value();
    return ModifierTapMonitor::fromString(DictationSettings::readText(defaults, setting)).value_or(fallback);
}

void run(const std::function<void()>& action) {
    if (action)
        action();
}

} // namespace

void registerConfiguredHotkeys(Defaults& defaults, HotkeyManager& hotkeys, ModifierTapMonitor& taps,
                               const AppActions& actions) {
    using namespace DictationSettings;
    const quint32 dictationKey = storedCode(defaults, kDictationKey);
    const quint32 dictationMods = storedCode(defaults, kDictationMods);
    const quint32 readerKey = storedCode(defaults, kReaderKey);
    const quint32 readerMods = storedCode(defaults, kReaderMods);
    const quint32 pasteLastKey = storedCode(defaults, kPasteLastKey);
    const quint32 pasteLastMods = storedCode(defaults, kPasteLastMods);

    const AppActions* table = &actions;
    const auto dictation = [table] { startTask([table] { run(table->toggleDictation); }); };
    const auto readAloud = [table] {
        startTask([table] {
            if (table->readerBusy())
                run(table->stopEverything);
            else
                run(table->readSelection);
        });
    };

    hotkeys.unregisterAll();
    hotkeys.registerHotkey(dictationKey, dictationMods, dictation);
    hotkeys.registerHotkey(pasteLastKey, pasteLastMods, [table] { startTask([table] { run(table->pasteLast); }); });
    hotkeys.registerHotkey(readerKey, readerMods, readAloud);

    if (!readBool(defaults, kDoubleTapEnabled)) {
        taps.stop();
        return;
    }

    const Key d = storedKey(defaults, kDoubleTapDictationKey);
    const Key r = storedKey(defaults, kDoubleTapReaderKey);
    const Key t = storedKey(defaults, kTranslateTapKey);
    const Key tr = storedKey(defaults, kTranslateReadTapKey);

    const auto recording = [] { return AppState::shared().isRecording(); };
    const auto busy = [table] { return AppState::shared().isRecording() || table->readerBusy(); };

    QList<ModifierTapMonitor::Entry> entries;
    entries.append({d, dictation, recording});
    entries.append({r, readAloud, [table] { return table->readerBusy(); }});
    if (actions.translationGate() && t != d && t != r) {
        const bool hasTranslateRead = tr != d && tr != r && tr != t;
        entries.append({t,
                        [table, hasTranslateRead] {
                            startTask([table, hasTranslateRead] {
                                if (AppState::shared().isRecording())
                                    run(table->toggleDictation);
                                else if (table->readerBusy())
                                    run(table->stopEverything);
                                else if (hasTranslateRead)
                                    run(table->translateDictateKeyPressed);
                                else if (table->translationGate())
                                    run(table->translateKeyPressed);
                            });
                        },
                        busy});
        if (hasTranslateRead)
            entries.append({tr,
                            [table] {
                                startTask([table] {
                                    if (AppState::shared().isRecording())
                                        run(table->toggleDictation);
                                    else if (table->readerBusy())
                                        run(table->stopEverything);
                                    else if (table->translationGate())
                                        run(table->translateReadKeyPressed);
                                });
                            },
                            busy});
    }
    taps.setBindings(entries);
    taps.start();
}
