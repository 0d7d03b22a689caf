#pragma once

#include "dictation/BubblePanel.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakeHotkeys.h"
#include "support/TempFolder.h"

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <vector>

// A bubble panel on a made-up desktop: screens, mouse, caret and focused
// window rectangles, the frontmost application, a key watch and a timer that
// the test fires by hand.
class BubbleFixture {
public:
    struct Timer {
        std::chrono::milliseconds delay;
        std::function<void()> task;
    };

    BubbleFixture() : panel(state, defaults, desktop()) {}

    BubblePanel::Desktop desktop() {
        BubblePanel::Desktop d;
        d.screens = [this] { return screens; };
        d.mainScreen = [this] { return mainScreen; };
        d.mouse = [this] { return mouse; };
        d.caretRect = [this] { return caret; };
        d.focusedWindowRect = [this] { return window; };
        d.frontmostName = [this] { return frontmost; };
        d.keys = [this]() -> Hotkeys* { return &keys; };
        d.composited = [this] { return composited; };
        d.schedule = [this](std::chrono::milliseconds delay, QObject*, std::function<void()> task) {
            timers.push_back({delay, std::move(task)});
        };
        d.trace = [this](const QString& line) { traces << line; };
        d.cleanUp = [this] { ++cleanUps; };
        return d;
    }

    // Fires every timer scheduled so far, oldest first.
    void fireTimers() {
        const std::vector<Timer> due = std::move(timers);
        timers.clear();
        for (const Timer& timer : due)
            timer.task();
    }

    // A key typed anywhere on the desktop: the watch sees it, and a taker
    // holding it gets it. True when it reached the focused application.
    bool type(quint32 keyCode) {
        const bool taken = keys.type(keyCode);
        QCoreApplication::processEvents();
        return !taken;
    }

    // Another window becoming the active one.
    void activate(const QString& application) {
        frontmost = application;
        keys.input(Hotkeys::InputEvent::ActiveWindowChanged);
        QCoreApplication::processEvents();
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    AppState state;
    FakeHotkeys keys;
    QList<BubblePlacement::Screen> screens{{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1050)}};
    std::optional<int> mainScreen = 0;
    std::optional<QPointF> mouse = QPointF(400, 300);
    std::optional<QRectF> caret;
    std::optional<QRectF> window;
    QString frontmost = QStringLiteral("Editor");
    bool composited = true;
    std::vector<Timer> timers;
    QStringList traces;
    int cleanUps = 0;
    BubblePanel panel;
};
