#include "platform/linux/GnomeAnimationSetting.h"

#undef signals
#include <gio/gio.h>
#define signals Q_SIGNALS

namespace {

constexpr char kSchema[] = "org.gnome.desktop.interface";
constexpr char kKey[] = "enable-animations";

} // namespace

// The settings object and our handler on it, let go together.
struct GnomeAnimationSetting::Watch {
    GSettings* settings = g_settings_new(kSchema);
    gulong handler = 0;
    ~Watch() {
        if (handler)
            g_signal_handler_disconnect(settings, handler);
        g_object_unref(settings);
    }
};

GnomeAnimationSetting::GnomeAnimationSetting() {
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema = schemas ? g_settings_schema_source_lookup(schemas, kSchema, TRUE) : nullptr;
    if (!schema)
        return;
    const bool hasKey = g_settings_schema_has_key(schema, kKey);
    g_settings_schema_unref(schema);
    if (!hasKey)
        return;
    m_watch = std::make_unique<Watch>();
    const auto changed =
        +[](GSettings*, const gchar*, gpointer self) { emit static_cast<GnomeAnimationSetting*>(self)->changed(); };
    m_watch->handler = g_signal_connect(m_watch->settings, "changed::enable-animations", G_CALLBACK(changed), this);
    // GSettings reports changes only of keys that have been read.
    (void)animationsEnabled();
}

GnomeAnimationSetting::~GnomeAnimationSetting() = default;

std::optional<bool> GnomeAnimationSetting::animationsEnabled() const {
    if (!m_watch)
        return std::nullopt;
    const bool enabled = g_settings_get_boolean(m_watch->settings, kKey);
    GVariant* user = g_settings_get_user_value(m_watch->settings, kKey);
    if (user)
        g_variant_unref(user);
    // On, from the schema alone: GNOME is not what decides here.
    if (!user && enabled)
        return std::nullopt;
    return enabled;
}
