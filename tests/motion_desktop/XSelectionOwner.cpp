#include "XSelectionOwner.h"

#include <QtEndian>

#include <cstdlib>

#include <xcb/xcb.h>

namespace {

uint32_t atom(xcb_connection_t* connection, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    const uint32_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

class Writer {
public:
    explicit Writer(bool msbFirst) : m_msbFirst(msbFirst) {}
    void card8(quint8 value) { m_bytes.append(char(value)); }
    void card16(quint16 value) {
        uchar raw[2];
        m_msbFirst ? qToBigEndian(value, raw) : qToLittleEndian(value, raw);
        m_bytes.append(reinterpret_cast<const char*>(raw), 2);
    }
    void card32(quint32 value) {
        uchar raw[4];
        m_msbFirst ? qToBigEndian(value, raw) : qToLittleEndian(value, raw);
        m_bytes.append(reinterpret_cast<const char*>(raw), 4);
    }
    void padded(const QByteArray& text) {
        m_bytes.append(text);
        m_bytes.append(QByteArray((4 - text.size() % 4) % 4, '\0'));
    }
    QByteArray bytes() const { return m_bytes; }

private:
    bool m_msbFirst;
    QByteArray m_bytes;
};

} // namespace

XSelectionOwner::XSelectionOwner(const QByteArray& selection) {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    m_selection = atom(m_connection, selection);
    xcb_flush(m_connection);
}

XSelectionOwner::~XSelectionOwner() {
    if (!m_connection)
        return;
    xcb_destroy_window(m_connection, m_window);
    xcb_flush(m_connection);
    xcb_disconnect(m_connection);
}

void XSelectionOwner::take() {
    xcb_set_selection_owner(m_connection, m_window, m_selection, XCB_CURRENT_TIME);
    xcb_client_message_event_t announce{};
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = m_root;
    announce.type = atom(m_connection, "MANAGER");
    announce.data.data32[0] = XCB_CURRENT_TIME;
    announce.data.data32[1] = m_selection;
    announce.data.data32[2] = m_window;
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&announce));
    xcb_flush(m_connection);
}

QByteArray XSelectionOwner::settings(std::optional<int> enableAnimations, bool msbFirst, quint32 serial) {
    Writer out(msbFirst);
    out.card8(msbFirst ? 1 : 0);
    out.card8(0);
    out.card16(0);
    out.card32(serial);
    out.card32(enableAnimations ? 2 : 1);
    // A string setting first, which a reader has to step over.
    const QByteArray theme = "Net/ThemeName";
    out.card8(1);
    out.card8(0);
    out.card16(quint16(theme.size()));
    out.padded(theme);
    out.card32(serial);
    const QByteArray value = "Adwaita-dark";
    out.card32(quint32(value.size()));
    out.padded(value);
    if (enableAnimations) {
        const QByteArray name = "Gtk/EnableAnimations";
        out.card8(0);
        out.card8(0);
        out.card16(quint16(name.size()));
        out.padded(name);
        out.card32(serial);
        out.card32(quint32(*enableAnimations));
    }
    return out.bytes();
}

void XSelectionOwner::publishSettings(std::optional<int> enableAnimations, bool msbFirst) {
    const QByteArray bytes = settings(enableAnimations, msbFirst, ++m_serial);
    const uint32_t property = atom(m_connection, "_XSETTINGS_SETTINGS");
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, property, property, 8, uint32_t(bytes.size()),
                        bytes.constData());
    xcb_flush(m_connection);
}
