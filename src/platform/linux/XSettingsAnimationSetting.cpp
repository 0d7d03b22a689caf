#include "platform/linux/XSettingsAnimationSetting.h"

#include <QSocketNotifier>
#include <QtEndian>

#include <cstdlib>

#include <xcb/xcb.h>

namespace {

// Setting types of the XSETTINGS format.
constexpr quint8 kInteger = 0;
constexpr quint8 kString = 1;
constexpr quint8 kColor = 2;
constexpr quint8 kMsbFirst = 1;
const QByteArray kName = QByteArrayLiteral("Gtk/EnableAnimations");

// Reads the property's fields in its own byte order; any read past the end
// fails the whole parse.
class Reader {
public:
    Reader(const QByteArray& bytes, bool msbFirst) : m_bytes(bytes), m_msbFirst(msbFirst) {}

    bool skip(qsizetype count) {
        if (count < 0 || m_at + count > m_bytes.size())
            return false;
        m_at += count;
        return true;
    }
    std::optional<quint8> card8() {
        if (m_at + 1 > m_bytes.size())
            return std::nullopt;
        return quint8(m_bytes.at(m_at++));
    }
    std::optional<quint16> card16() {
        if (m_at + 2 > m_bytes.size())
            return std::nullopt;
        const uchar* at = reinterpret_cast<const uchar*>(m_bytes.constData()) + m_at;
        m_at += 2;
        return m_msbFirst ? qFromBigEndian<quint16>(at) : qFromLittleEndian<quint16>(at);
    }
    std::optional<quint32> card32() {
        if (m_at + 4 > m_bytes.size())
            return std::nullopt;
        const uchar* at = reinterpret_cast<const uchar*>(m_bytes.constData()) + m_at;
        m_at += 4;
        return m_msbFirst ? qFromBigEndian<quint32>(at) : qFromLittleEndian<quint32>(at);
    }
    std::optional<QByteArray> bytes(qsizetype count) {
        if (count < 0 || m_at + count > m_bytes.size())
            return std::nullopt;
        const QByteArray taken = m_bytes.mid(m_at, count);
        m_at += count;
        return taken;
    }

private:
    const QByteArray& m_bytes;
    bool m_msbFirst;
    qsizetype m_at = 0;
};

qsizetype padded(qsizetype length) { return (length + 3) & ~qsizetype(3); }

uint32_t atom(xcb_connection_t* connection, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    const uint32_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

} // namespace

std::optional<bool> XSettingsAnimationSetting::enableAnimations(const QByteArray& settings) {
    if (settings.isEmpty())
        return std::nullopt;
    Reader reader(settings, quint8(settings.at(0)) == kMsbFirst);
    std::optional<quint32> count;
    if (!reader.skip(4) || !reader.card32() || !(count = reader.card32()))
        return std::nullopt;
    for (quint32 i = 0; i < *count; ++i) {
        const std::optional<quint8> type = reader.card8();
        std::optional<quint16> nameLength;
        if (!type || !reader.skip(1) || !(nameLength = reader.card16()))
            return std::nullopt;
        const std::optional<QByteArray> name = reader.bytes(*nameLength);
        if (!name || !reader.skip(padded(*nameLength) - *nameLength) || !reader.card32())
            return std::nullopt;
        if (*type == kInteger) {
            const std::optional<quint32> value = reader.card32();
            if (!value)
                return std::nullopt;
            if (*name == kName)
                return *value != 0;
        } else if (*type == kString) {
            const std::optional<quint32> length = reader.card32();
            if (!length || *length > quint32(settings.size()) || !reader.skip(padded(qsizetype(*length))))
                return std::nullopt;
        } else if (*type == kColor) {
            if (!reader.skip(8))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

XSettingsAnimationSetting::XSettingsAnimationSetting() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return;
    m_root = screens.data->root;
    m_selection = atom(m_connection, "_XSETTINGS_S" + QByteArray::number(screenNumber));
    m_property = atom(m_connection, "_XSETTINGS_SETTINGS");
    m_managerMessage = atom(m_connection, "MANAGER");
    // A new manager announces itself to the root window's structure listeners.
    const uint32_t rootEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &rootEvents);
    findManager();
    read();
    m_events = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_events.get(), &QSocketNotifier::activated, this, &XSettingsAnimationSetting::takeEvents);
}

XSettingsAnimationSetting::~XSettingsAnimationSetting() {
    m_events.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
}

std::optional<bool> XSettingsAnimationSetting::animationsEnabled() const { return m_enabled; }

void XSettingsAnimationSetting::findManager() {
    // Held still, so that the manager cannot leave between finding it and
    // listening to it.
    xcb_grab_server(m_connection);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
    m_manager = owner ? owner->owner : 0;
    std::free(owner);
    if (m_manager != 0) {
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_manager, XCB_CW_EVENT_MASK, &events);
    }
    xcb_ungrab_server(m_connection);
    xcb_flush(m_connection);
}

void XSettingsAnimationSetting::read() {
    std::optional<bool> enabled;
    if (m_manager != 0) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, m_manager, m_property, m_property, 0, 1 << 20), nullptr);
        if (reply && reply->format == 8)
            enabled = enableAnimations(QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                                  xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    emit changed();
}

void XSettingsAnimationSetting::takeEvents() {
    bool again = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        switch (event->response_type & 0x7F) {
        case XCB_CLIENT_MESSAGE: {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (message->type == m_managerMessage && message->data.data32[1] == m_selection) {
                findManager();
                again = true;
            }
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            again |= change->window == m_manager && change->atom == m_property;
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* gone = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (gone->window == m_manager) {
                findManager();
                again = true;
            }
            break;
        }
        default:
            break;
        }
        std::free(event);
    }
    // The display has gone: nothing more will come.
    if (xcb_connection_has_error(m_connection))
        m_events->setEnabled(false);
    else if (again)
        read();
}
