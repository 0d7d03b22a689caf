#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include <QtGlobal>

#include <chrono>
#include <vector>

// A search for the focused element over the windows of the application in
// process `pid` (of every application for 0), the active window first, made a
// slice at a time: each `advance` walks until its time is up, and the next
// goes on where it stopped, so that a big application never holds up the GUI
// thread for its whole tree. Visits at most kBudget elements in all, and only
// what is on screen. Holds references to the elements it has still to walk
// below. GUI thread only.
class AtspiFocusWalk {
public:
    static constexpr int kBudget = 4000;

    enum class Outcome { Found, NotFound, Unfinished };

    explicit AtspiFocusWalk(qint64 pid);
    ~AtspiFocusWalk();
    AtspiFocusWalk(const AtspiFocusWalk&) = delete;
    AtspiFocusWalk& operator=(const AtspiFocusWalk&) = delete;

    // Walks on for about `slice` (at least one element).
    Outcome advance(std::chrono::milliseconds slice);

    qint64 pid() const { return m_pid; }
    // Once found: the focused element (the walk's reference) and whether its
    // toolkit counts offsets in UTF-16 units.
    AtspiAccessible* found() const { return m_found; }
    bool foundCountsUtf16() const { return m_foundUtf16; }
    // How many elements the walk has visited so far.
    int visited() const { return kBudget - m_budget; }

private:
    struct Window {
        AtspiAccessible* node;
        bool utf16;
    };
    // An element whose children are being walked: the next one to visit of `count`.
    struct Level {
        AtspiAccessible* node;
        gint next;
        gint count;
    };

    // Looks at one element: the focus, a subtree to walk, or nothing to follow.
    void visit(AtspiAccessible* node);

    qint64 m_pid;
    std::vector<Window> m_windows;
    size_t m_nextWindow = 0;
    bool m_windowUtf16 = false;
    std::vector<Level> m_levels;
    int m_budget = kBudget;
    AtspiAccessible* m_found = nullptr;
    bool m_foundUtf16 = false;
};
