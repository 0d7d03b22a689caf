#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include <QtGlobal>

#include <optional>

// The element found or heard focused last: asked again, it is still the answer
// while it says it has the focus and its application is in front, which costs
// one question instead of a walk over the application's windows. Of an element
// heard of, the process and the toolkit are learnt at the first question.
// Holds one reference to the element. GUI thread only.
struct AtspiLastFocused {
    // Found by a search of process `pid`, whose toolkit is known.
    AtspiLastFocused(AtspiAccessible* focused, qint64 pid, bool utf16);
    // Heard of in a focus event.
    explicit AtspiLastFocused(AtspiAccessible* heard);
    ~AtspiLastFocused();
    AtspiLastFocused(const AtspiLastFocused&) = delete;
    AtspiLastFocused& operator=(const AtspiLastFocused&) = delete;

    // Whether the element belongs to process `front`, asking the bus only.
    bool inProcess(qint64 front);
    // The same, with the toolkit learnt. It is asked only of that process:
    // never of this program, which cannot answer while it waits.
    bool belongsTo(qint64 front);

    AtspiAccessible* node;
    // 0 until learnt, -1 when it cannot be.
    qint64 pid = 0;
    std::optional<bool> utf16;
};
