#pragma once

#include <functional>

// Tells when the system runs short of memory. One watcher at a time: `watch`
// replaces an earlier handler. The handler runs on the GUI thread.
class MemoryPressure {
public:
    enum class Level { Warning, Critical };
    using Handler = std::function<void(Level)>;

    virtual ~MemoryPressure() = default;
    virtual void watch(Handler handler) = 0;
    virtual void stopWatching() = 0;
};
