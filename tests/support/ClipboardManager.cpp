#include "support/ClipboardManager.h"

#include <atomic>
#include <mutex>
#include <thread>

#include <poll.h>

// After Qt: Xlib's macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

constexpr int kPollMs = 20;
// How long a leaving program gets to send its clipboard's text.
constexpr auto kHandoverWait = std::chrono::seconds(3);

} // namespace

struct ClipboardManager::Thread {
    explicit Thread(QByteArray initial) : text(std::move(initial)) {
        display = XOpenDisplay(nullptr);
        if (!display)
            return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        clipboard = XInternAtom(display, "CLIPBOARD", False);
        manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
        saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
        targets = XInternAtom(display, "TARGETS", False);
        utf8 = XInternAtom(display, "UTF8_STRING", False);
        saved = XInternAtom(display, "QV_SAVED_CLIPBOARD", False);
        XSetSelectionOwner(display, clipboard, window, CurrentTime);
        XSetSelectionOwner(display, manager, window, CurrentTime);
        running = XGetSelectionOwner(display, clipboard) == window && XGetSelectionOwner(display, manager) == window;
        XSync(display, False);
        worker = std::thread([this] { serve(); });
    }

    ~Thread() {
        stop = true;
        if (worker.joinable())
            worker.join();
        if (display) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }

    void serve() {
        pollfd watched{ConnectionNumber(display), POLLIN, 0};
        while (!stop) {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                handle(event);
            }
            poll(&watched, 1, kPollMs);
        }
    }

    void handle(const XEvent& event) {
        if (event.type == SelectionClear && event.xselectionclear.selection == clipboard) {
            const std::lock_guard lock(mutex);
            if (!takenAt)
                takenAt = std::chrono::steady_clock::now();
        } else if (event.type == SelectionRequest) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            bool answered = false;
            if (request.selection == clipboard)
                answered = answer(request);
            else if (request.selection == manager && request.target == saveTargets)
                answered = takeOver(request.time);
            notify(request, answered);
        }
    }

    bool answer(const XSelectionRequestEvent& request) {
        if (request.property == None)
            return false;
        if (request.target == targets) {
            const Atom offered[] = {targets, utf8};
            XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered), 2);
            return true;
        }
        if (request.target != utf8)
            return false;
        const std::lock_guard lock(mutex);
        XChangeProperty(display, request.requestor, request.property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.constData()), int(text.size()));
        return true;
    }

    // Fetches the leaving owner's text and owns the clipboard with it.
    bool takeOver(Time time) {
        XConvertSelection(display, clipboard, utf8, saved, window, time);
        XFlush(display);
        const auto until = std::chrono::steady_clock::now() + kHandoverWait;
        pollfd watched{ConnectionNumber(display), POLLIN, 0};
        XEvent reply;
        while (!XCheckTypedWindowEvent(display, window, SelectionNotify, &reply)) {
            if (std::chrono::steady_clock::now() >= until)
                return false;
            poll(&watched, 1, kPollMs);
        }
        if (reply.xselection.property == None)
            return false;
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, saved, 0, 1 << 20, True, AnyPropertyType, &type, &format, &items,
                               &after, &data)
                != Success
            || !data)
            return false;
        {
            const std::lock_guard lock(mutex);
            text = QByteArray(reinterpret_cast<const char*>(data), int(items));
        }
        XFree(data);
        XSetSelectionOwner(display, clipboard, window, CurrentTime);
        ++handed;
        return XGetSelectionOwner(display, clipboard) == window;
    }

    void notify(const XSelectionRequestEvent& request, bool answered) {
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = display;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.property = answered ? request.property : None;
        reply.xselection.time = request.time;
        XSendEvent(display, request.requestor, False, NoEventMask, &reply);
        XFlush(display);
    }

    Display* display = nullptr;
    Window window = 0;
    Atom clipboard = None, manager = None, saveTargets = None, targets = None, utf8 = None, saved = None;
    bool running = false;
    std::atomic<bool> stop{false};
    std::atomic<int> handed{0};
    mutable std::mutex mutex;
    QByteArray text;
    std::optional<std::chrono::steady_clock::time_point> takenAt;
    std::thread worker;
};

ClipboardManager::ClipboardManager(const QByteArray& text) : m_thread(std::make_unique<Thread>(text)) {}

ClipboardManager::~ClipboardManager() = default;

bool ClipboardManager::isRunning() const { return m_thread->running; }

std::optional<std::chrono::steady_clock::time_point> ClipboardManager::firstTakenAt() const {
    const std::lock_guard lock(m_thread->mutex);
    return m_thread->takenAt;
}

int ClipboardManager::handovers() const { return m_thread->handed; }
