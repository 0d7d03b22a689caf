#pragma once

#include <QObject>

#include <optional>

// The desktop's light or dark preference, which the panel and the program's
// "system" look follow. Lives on the GUI thread.
class ColorScheme : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ColorScheme() override = default;
    // True for dark, false for light, none when the desktop states no preference
    // or cannot be asked. Never blocks.
    virtual std::optional<bool> prefersDark() const = 0;

signals:
    // The preference changed (the user switched the desktop's scheme, or the
    // first answer arrived); read prefersDark() again.
    void changed();
};
