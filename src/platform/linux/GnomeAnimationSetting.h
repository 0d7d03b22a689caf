#pragma once

#include "platform/linux/AnimationSource.h"

#include <memory>

// GNOME's org.gnome.desktop.interface enable-animations, read through GIO's
// settings (dconf on a GNOME desktop). It counts only where it says something:
// set by the user, or off by the system's defaults. Its changes arrive through
// the GLib main loop Qt runs. Without the schema it holds nothing. GUI thread.
class GnomeAnimationSetting : public AnimationSource {
    Q_OBJECT
public:
    GnomeAnimationSetting();
    ~GnomeAnimationSetting() override;

    std::optional<bool> animationsEnabled() const override;

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};
