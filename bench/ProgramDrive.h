#pragma once

#include "BenchRun.h"
#include "DesktopBench.h"
#include "InstantEngine.h"
#include "support/MicrophoneFeed.h"
#include "support/ProgramHome.h"
#include "support/TargetWindow.h"
#include "support/XTestKeyboard.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

// Driving the real program as a user does, for the benchmarks that run it:
// its hotkeys through XTest, speech into the harness microphone and a Qt
// target window in another process to paste into.
namespace ProgramDrive {

inline const QString kTrace = QStringLiteral(".local/share/Quorvane/bubble-trace.log");
inline const QByteArray kSettings = R"({"onboardingDone":true,"openWindowAtLaunch":false})";
inline constexpr int kSampleBytesPerSecond = 32000;

// Null when the desktop gave no keyboard or the target window did not come up.
inline std::unique_ptr<XTestKeyboard> keyboard;
inline std::unique_ptr<TargetWindow::Process> target;

// Control-Alt with `key`.
inline void pressChord(const char* key) {
    keyboard->press("Control_L");
    keyboard->press("Alt_L");
    keyboard->tap(key);
    keyboard->release("Alt_L");
    keyboard->release("Control_L");
}

// Control-Alt-D, the default dictation hotkey.
inline void pressDictationHotkey() { pressChord("d"); }

// The bubble trace of the program living in `home`.
inline QString trace(const ProgramHome& home) { return QString::fromUtf8(home.read(kTrace)); }

// Presses the hotkey until a take has started (the program binds its keys
// once its launch has run, and ignores a press while the last run settles).
inline bool startTake(const ProgramHome& home) {
    const qsizetype before = trace(home).count(QStringLiteral("start  device="));
    for (int attempt = 0; attempt < 7; ++attempt) {
        pressDictationHotkey();
        if (TargetWindow::spinUntil([&] { return trace(home).count(QStringLiteral("start  device=")) > before; }, 3000))
            return true;
    }
    return false;
}

// Speaks `pcm` into the microphone in real time and waits until it has been
// heard, with a little silence after it.
inline void speak(const QByteArray& pcm) {
    using Clock = std::chrono::steady_clock;
    MicrophoneFeed feed;
    const auto until = Clock::now() + std::chrono::milliseconds(pcm.size() * 1000 / kSampleBytesPerSecond + 300);
    feed.feed(pcm, [until] { return Clock::now() >= until; });
    TargetWindow::spinUntil([until] { return Clock::now() >= until; }, 30000);
}

// Whether the keyboard, the target window and the test engine `engine` are
// there; skips the benchmark when not.
inline bool desktopReady(benchmark::State& state, const QString& engine) {
    if (!keyboard || !target || engine.isEmpty()) {
        state.SkipWithError("no desktop, target window or test engine (run under the desktop harness)");
        return false;
    }
    return true;
}

// Whether the speech server's port is free for the program; skips the
// benchmark when another process holds it.
inline bool portFree(benchmark::State& state) {
    if (!InstantEngine::portFree()) {
        state.SkipWithError("port 50061 is taken by another process");
        return false;
    }
    return true;
}

// Opens the keyboard and starts the target window, leaving either null when
// it did not come up; runs the selected benchmarks and ends the window.
inline int run(int* argc, char** argv) {
    keyboard = std::make_unique<XTestKeyboard>();
    if (!keyboard->isOpen())
        keyboard.reset();
    target = DesktopBench::startTarget();
    if (!target->ready())
        target.reset();
    const int status = BenchRun::run(argc, argv);
    target.reset();
    return status;
}

} // namespace ProgramDrive
