#pragma once

#include <QtGlobal>

#include <chrono>
#include <deque>
#include <functional>

// The key events this program posted through XTest that the key watch has
// not seen come back yet. The X server hands posted keys to the raw key watch
// like any other, so the watch asks here to tell them from the user's typing.
// An entry the watch never claims (nothing watched when it went out) is
// forgotten after a while, so that it cannot swallow a later key of the user.
// GUI thread only.
class PostedKeystrokes {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds kForgetAfter{2000};

    explicit PostedKeystrokes(Clock now = std::chrono::steady_clock::now);

    // One key event going out: an X key code going down or up.
    void note(quint32 x11KeyCode, bool press);
    // Whether a key event the watch received is the oldest noted one of that
    // key and direction; a claimed entry is taken off the list.
    bool claim(quint32 x11KeyCode, bool press);

private:
    struct Entry {
        quint32 key;
        bool press;
        std::chrono::steady_clock::time_point at;
    };
    void forgetStale();

    Clock m_now;
    std::deque<Entry> m_entries;
};
