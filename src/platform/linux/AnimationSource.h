#pragma once

#include <QObject>

#include <optional>

// One place a desktop keeps its "animations on or off" setting. Lives on the
// GUI thread.
class AnimationSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AnimationSource() override = default;

    // Whether the desktop allows animations, or none when this place holds no
    // setting (its desktop is not in use, or the user never set it).
    virtual std::optional<bool> animationsEnabled() const = 0;

signals:
    // The setting here may have changed.
    void changed();
};
