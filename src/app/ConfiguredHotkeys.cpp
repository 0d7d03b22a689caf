#include "app/ConfiguredHotkeys.h"

#include "app/AppActions.h"
#include "state/AppState.h"
#include "app/HotkeyManager.h"
#include "app/ModifierTapMonitor.h"
#include "support/Defaults.h"

namespace {

using Key = ModifierTapMonitor::Key;

// A stored key code or modifier mask; absent, not an integer, or outside
// 0…4294967295 gives the default.
quint32 storedCode(const Defaults& defaults, const QString& key, quint32 fallback) {
    const std::optional<qint64> value = defaults.integer(key);
    if (!value || *value < 0 || *value > qint64(UINT32_MAX))
        return fallback;
    return quint32(*value);
}

Key storedKey(const Defaults& defaults, const QString& setting, Key fallback) {
    const std::optional<QString> raw = defaults.string(setting);
    if (!raw)
        return fallback;
    return ModifierTapMonitor::fromString(*raw).value_or(fallback);
}

void run(const std::function<void()>& action) {
    if (action)
        action();
}

} // namespace

void registerConfiguredHotkeys(Defaults& defaults, HotkeyManager& hotkeys, ModifierTapMonitor& taps,
                               const AppActions& actions) {
    constexpr quint32 kControlOption = 6144;
    const quint32 dictationKey = storedCode(defaults, QStringLiteral("dictationKey"), 2);
    const quint32 dictationMods = storedCode(defaults, QStringLiteral("dictationMods"), kControlOption);
    const quint32 readerKey = storedCode(defaults, QStringLiteral("readerKey"), 15);
    const quint32 readerMods = storedCode(defaults, QStringLiteral("readerMods"), kControlOption);
    const quint32 pasteLastKey = storedCode(defaults, QStringLiteral("pasteLastKey"), 9);
    const quint32 pasteLastMods = storedCode(defaults, QStringLiteral("pasteLastMods"), kControlOption);

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

    if (defaults.boolean(QStringLiteral("doubleTapEnabled")) == false) {
        taps.stop();
        return;
    }

    const Key d = storedKey(defaults, QStringLiteral("doubleTapDictationKey"), Key::RightCommand);
    const Key r = storedKey(defaults, QStringLiteral("doubleTapReaderKey"), Key::RightOption);
    const Key t = storedKey(defaults, QStringLiteral("doubleTapTranslateKey"), Key::LeftControl);
    const Key tr = storedKey(defaults, QStringLiteral("doubleTapTranslateReadKey"), Key::LeftOption);

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

void registerConfiguredHotkeys() {
    registerConfiguredHotkeys(Defaults::shared(), HotkeyManager::shared(), ModifierTapMonitor::shared(),
                              AppActions::shared());
}
