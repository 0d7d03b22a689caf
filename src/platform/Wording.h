#pragma once

#include <QString>

// Texts that send the user to a place, control or key of another desktop
// have a wording for this desktop; every such text passes through here
// before it is shown or spoken.
class Wording {
public:
    virtual ~Wording() = default;

    // This desktop's wording of `text`, or `text` itself when it needs none.
    virtual QString forDesktop(const QString& text) const = 0;

    // The installed wording of `text`; `text` itself when no platform is installed.
    static QString of(const QString& text);
};
