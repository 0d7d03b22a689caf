#pragma once

#include <QObject>

// The desktop's animation setting: whether the user asked for less motion.
// Lives on the GUI thread.
class MotionSetting : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MotionSetting() override = default;

    // True when the desktop asks for animations to be left out; false when it
    // allows them or says nothing about them. Never blocks.
    virtual bool reducesMotion() const = 0;

signals:
    // The desktop's setting changed; read reducesMotion() again.
    void changed();
};
