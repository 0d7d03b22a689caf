#include "platform/linux/X11PrimarySelection.h"

#include "platform/linux/X11Connection.h"

#include <QClipboard>
#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

namespace {

// The process of the client that owns `window`; 0 when the server cannot say.
qint64 clientPid(Display* display, Window window) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XResQueryExtension(display, &eventBase, &errorBase))
        return 0;
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    if (XResQueryClientIds(display, 1, &spec, &count, &values) != Success)
        return 0;
    qint64 pid = 0;
    for (long i = 0; i < count && pid <= 0; ++i)
        if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID)
            pid = XResGetClientPid(&values[i]);
    XResClientIdsDestroy(count, values);
    return pid > 0 ? pid : 0;
}

} // namespace

QFuture<std::optional<PrimarySelection::Owned>> X11PrimarySelection::read() {
    Display* display = X11Connection::display();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!display || !clipboard || !clipboard->supportsSelection())
        return QtFuture::makeReadyFuture(std::optional<Owned>());
    const Window owner = XGetSelectionOwner(display, XA_PRIMARY);
    if (owner == None)
        return QtFuture::makeReadyFuture(std::optional<Owned>());
    const qint64 pid = clientPid(display, owner);
    const QString text = clipboard->text(QClipboard::Selection);
    if (text.isEmpty())
        return QtFuture::makeReadyFuture(std::optional<Owned>());
    return QtFuture::makeReadyFuture(std::optional<Owned>(Owned{text, pid}));
}
