#pragma once

#include "platform/Hotkeys.h"

#include <QHash>
#include <QSet>

#include <future>
#include <map>
#include <memory>

class PostedKeystrokes;
class QSocketNotifier;
struct _XDisplay;

// Global hotkeys and key watching on X11, over a connection of its own:
// hotkeys and taken keys are passive key grabs on the root window (also with
// Caps Lock and Num Lock on), the watch reads raw key events (XInput2) so
// that left and right modifiers are told apart, and marks the ones noted in
// `posted` as the program's own. The input watch adds raw key and button
// releases, wheel turns and changes of the root window's _NET_ACTIVE_WINDOW.
// Key names come from the current layout. The connection is opened on a
// thread of its own as the object is made, so that the first use need not
// wait for the desktop's greeting.
class X11Hotkeys : public Hotkeys {
public:
    // `posted`, when given, must outlive this object.
    explicit X11Hotkeys(PostedKeystrokes* posted = nullptr);
    ~X11Hotkeys() override;

    bool grab(quint32 id, quint32 keyCode, quint32 modifiers) override;
    void release(quint32 id) override;
    void setPressedHandler(std::function<void(quint32 id)> handler) override;

    std::optional<TakeId> takeKeys(const QList<quint32>& keyCodes, std::function<void(quint32)> handler) override;
    void releaseKeys(TakeId taking) override;

    std::optional<WatchId> startWatching(std::function<void(const KeyEvent&)> handler) override;
    void stopWatching(WatchId watcher) override;
    std::optional<WatchId> startWatchingInput(std::function<void(InputEvent)> handler) override;

    std::optional<quint32> keyCodeForNative(quint32 nativeScanCode) const override;
    QString layoutText(quint32 keyCode) const override;

private:
    struct Grab {
        quint32 x11KeyCode = 0;
        unsigned int x11Modifiers = 0;
    };
    struct Taking {
        // Stored key code by X key code.
        QHash<quint32, quint32> keys;
        std::function<void(quint32)> handler;
    };

    // A connection as it was opened, with XInput2's opcode (-1 without it).
    struct Opened {
        _XDisplay* display = nullptr;
        int xiOpcode = -1;
    };
    static Opened open();

    bool connect();
    void drain();
    void handleKeyPress(quint32 x11KeyCode, unsigned int state, unsigned long time);
    // The modifiers with which a press of a taken key is not plain.
    unsigned int notPlainModifiers() const;
    bool isHeld(quint32 x11KeyCode, unsigned int x11Modifiers) const;
    // Grabs or lets go of `x11KeyCode` with `x11Modifiers` in every lock variant;
    // a grab gives the X error it met (0 for none) and keeps nothing then.
    int grabVariants(quint32 x11KeyCode, unsigned int x11Modifiers);
    void ungrabVariants(quint32 x11KeyCode, unsigned int x11Modifiers);
    void handleRawKey(quint32 x11KeyCode, bool press, quint32 timeMs);
    unsigned int modifierMaskOf(unsigned long keysym) const;
    unsigned int toX11Modifiers(quint32 modifiers) const;
    QList<unsigned int> lockVariants() const;
    quint32 sideBitOf(quint32 x11KeyCode) const;
    bool isModifierKey(quint32 x11KeyCode) const;
    void scheduleDrain();
    // Selects the raw events and root window changes the watchers need.
    void updateSelection();
    void deliverInput(InputEvent event);
    void deliver(const KeyEvent& event);

    _XDisplay* m_display = nullptr;
    bool m_connectTried = false;
    std::future<Opened> m_opening;
    int m_xiOpcode = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QHash<quint32, Grab> m_grabs;
    std::function<void(quint32)> m_pressed;
    std::map<TakeId, Taking> m_takings;
    TakeId m_nextTaking = 1;
    PostedKeystrokes* m_posted;
    std::map<WatchId, std::function<void(const KeyEvent&)>> m_watchers;
    std::map<WatchId, std::function<void(InputEvent)>> m_inputWatchers;
    WatchId m_nextWatcher = 1;
    unsigned long m_activeWindowAtom = 0;
    QSet<quint32> m_modifiersDown;
    // The modifier mask of each keysym asked for, until the keyboard's mapping changes.
    mutable QHash<unsigned long, unsigned int> m_modifierMasks;
};
