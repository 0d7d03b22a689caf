#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AstralMap.h"
#include "platform/linux/AtspiCalls.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The maps of large texts of code-point toolkits, kept current with the
// text-change events those applications send, so that turning an offset into
// UTF-16 units reads a few characters instead of everything before it. A map
// whose length no longer matches the text's is read afresh, so a missed event
// costs one whole read. GUI thread only (AT-SPI delivers events there).
class AtspiTextOffsets {
public:
    // Texts up to this many code points are read whole each time: that costs
    // well under a millisecond and needs no events.
    static constexpr gint kWholeReadLimit = 65536;
    static constexpr qsizetype kKeptTexts = 8;

    AtspiTextOffsets();
    AtspiTextOffsets(const AtspiTextOffsets&) = delete;
    AtspiTextOffsets& operator=(const AtspiTextOffsets&) = delete;

    // The map of `node`'s current text; nothing when it cannot be read.
    std::optional<AstralMap> map(AtspiAccessible* node, AtspiText* text, bool fresh = false);

private:
    void keep(const QString& key, const AstralMap& map);
    static void onTextChanged(AtspiEvent* event, void* self);
    void apply(const AtspiEvent& event);
    void forget(const QString& key);

    QHash<QString, AstralMap> m_maps;
    QStringList m_order;
    AtspiCalls::EventListener m_listener;
};
