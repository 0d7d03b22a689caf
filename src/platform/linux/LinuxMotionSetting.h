#pragma once

#include "platform/MotionSetting.h"
#include "platform/linux/AnimationSource.h"

#include <memory>
#include <vector>

// The desktop's motion setting from the first of its sources that holds one:
// GNOME's enable-animations, then KDE's animation speed, then the XSETTINGS
// manager's Gtk/EnableAnimations. With none of them set, motion is on. Each
// source reports its changes, so the answer follows the desktop while the
// program runs. GUI thread.
class LinuxMotionSetting : public MotionSetting {
    Q_OBJECT
public:
    // The three desktop sources, in that order.
    LinuxMotionSetting();
    // `sources` in the order they are asked.
    explicit LinuxMotionSetting(std::vector<std::unique_ptr<AnimationSource>> sources);
    ~LinuxMotionSetting() override;

    bool reducesMotion() const override;

private:
    std::vector<std::unique_ptr<AnimationSource>> m_sources;
    bool m_reduced = false;
};
