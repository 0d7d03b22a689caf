#pragma once

#include <QByteArray>

#include <optional>

struct xcb_connection_t;

// Plays a desktop service that announces itself by owning an X selection on
// screen 0: a compositor (_NET_WM_CM_S0) or an XSETTINGS manager
// (_XSETTINGS_S0, with its settings on its window). Leaving the scope ends
// the service: its window goes, and the selection with it.
class XSelectionOwner {
public:
    explicit XSelectionOwner(const QByteArray& selection);
    ~XSelectionOwner();
    XSelectionOwner(const XSelectionOwner&) = delete;
    XSelectionOwner& operator=(const XSelectionOwner&) = delete;

    bool isOpen() const { return m_connection != nullptr; }
    // Takes the selection and tells the root window's listeners, as a new manager does.
    void take();
    // Publishes _XSETTINGS_SETTINGS holding a theme name and, when given,
    // Gtk/EnableAnimations, in the byte order `msbFirst` names.
    void publishSettings(std::optional<int> enableAnimations, bool msbFirst = false);

    // The bytes publishSettings writes.
    static QByteArray settings(std::optional<int> enableAnimations, bool msbFirst, quint32 serial);

private:
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_window = 0;
    quint32 m_selection = 0;
    quint32 m_serial = 0;
};
