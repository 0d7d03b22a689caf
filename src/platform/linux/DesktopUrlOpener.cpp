#include "platform/linux/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QUrl>

#undef signals
#include <gio/gio.h>
#define signals Q_SIGNALS

namespace {

Q_LOGGING_CATEGORY(lcOpener, "quorvane.platform.urls")

// Files and web pages go to xdg-open, which has fallbacks of its own for
// them (a file manager, any browser it finds).
bool xdgOpenHandles(const QUrl& url) {
    return url.isLocalFile() || url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

bool DesktopUrlOpener::open(const QUrl& url) {
    if (xdgOpenHandles(url))
        return QDesktopServices::openUrl(url);
    // Any other address (a "mailto:") goes straight to the program the
    // desktop names for its scheme: xdg-open would start whether or not there
    // is one and fail later, out of sight, where the caller could not offer
    // another way.
    GAppInfo* handler = g_app_info_get_default_for_uri_scheme(url.scheme().toUtf8().constData());
    if (!handler)
        return false;
    QByteArray address = url.toEncoded();
    GList addresses{address.data(), nullptr, nullptr};
    GError* error = nullptr;
    const bool launched = g_app_info_launch_uris(handler, &addresses, nullptr, &error);
    if (error) {
        qCWarning(lcOpener) << "could not start" << g_app_info_get_id(handler) << ":" << error->message;
        g_error_free(error);
    }
    g_object_unref(handler);
    return launched;
}
