#include "platform/linux/X11Property.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace X11Property {

namespace {

// The property's data and item count when it exists with `type` and `format`.
struct Read {
    unsigned char* data = nullptr;
    unsigned long count = 0;

    Read(Display* display, Window window, const char* name, Atom type, int format, long maxLongs) {
        const Atom atom = XInternAtom(display, name, True);
        if (atom == None)
            return;
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long after = 0;
        if (XGetWindowProperty(display, window, atom, 0, maxLongs, False, type, &actualType, &actualFormat, &count,
                               &after, &data)
                != Success
            || actualType != type || actualFormat != format) {
            count = 0;
            release();
        }
    }
    ~Read() { release(); }
    Read(const Read&) = delete;
    Read& operator=(const Read&) = delete;

    bool found() const { return data != nullptr; }

private:
    void release() {
        if (data)
            XFree(data);
        data = nullptr;
    }
};

} // namespace

std::optional<QList<unsigned long>> longs(Display* display, Window window, const char* name, Atom type, long maxItems) {
    const Read read(display, window, name, type, 32, maxItems);
    if (!read.found())
        return std::nullopt;
    // Xlib hands 32-bit items back as longs.
    const auto* items = reinterpret_cast<const unsigned long*>(read.data);
    QList<unsigned long> values;
    values.reserve(qsizetype(read.count));
    for (unsigned long i = 0; i < read.count; ++i)
        values.append(items[i] & 0xFFFFFFFFUL);
    return values;
}

std::optional<unsigned long> cardinal(Display* display, Window window, const char* name) {
    const std::optional<QList<unsigned long>> values = longs(display, window, name, XA_CARDINAL, 1);
    if (!values || values->size() != 1)
        return std::nullopt;
    return values->constFirst();
}

Window window(Display* display, Window window, const char* name) {
    const std::optional<QList<unsigned long>> values = longs(display, window, name, XA_WINDOW, 1);
    return values && !values->isEmpty() ? values->constFirst() : 0;
}

QByteArray text(Display* display, Window window, const char* name, Atom type) {
    const Read read(display, window, name, type, 8, 1 << 16);
    return read.found() ? QByteArray(reinterpret_cast<const char*>(read.data), qsizetype(read.count)) : QByteArray();
}

} // namespace X11Property
