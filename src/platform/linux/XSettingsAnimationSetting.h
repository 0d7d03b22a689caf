#pragma once

#include "platform/linux/AnimationSource.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>

class QSocketNotifier;
struct xcb_connection_t;

// Gtk/EnableAnimations from the XSETTINGS manager of the X screen (the
// settings daemon of Xfce, MATE, Cinnamon and GNOME on X11), read over a
// connection of its own. It follows the manager's property, and a manager
// that starts, stops or is replaced. Without X or a manager it holds nothing.
// GUI thread.
class XSettingsAnimationSetting : public AnimationSource {
    Q_OBJECT
public:
    XSettingsAnimationSetting();
    ~XSettingsAnimationSetting() override;

    std::optional<bool> animationsEnabled() const override;

    // Gtk/EnableAnimations in a _XSETTINGS_SETTINGS property's bytes; none
    // when it is absent, not an integer, or the bytes are malformed.
    static std::optional<bool> enableAnimations(const QByteArray& settings);

private:
    void findManager();
    void read();
    void takeEvents();

    xcb_connection_t* m_connection = nullptr;
    uint32_t m_root = 0;
    uint32_t m_selection = 0;
    uint32_t m_property = 0;
    uint32_t m_managerMessage = 0;
    uint32_t m_manager = 0;
    std::optional<bool> m_enabled;
    std::unique_ptr<QSocketNotifier> m_events;
};
