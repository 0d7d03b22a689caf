// Start-up of the real program: from starting the process to its tray icon
// showing in the tray host (the menu is there from then on), and the program's
// resident memory when idle a second later. Needs the desktop services:
//   scripts/run-tests.sh BUILD -L bench -R Startup -V
// Each run gets a fresh home, so no engine is installed and none is started.
#include "BenchRun.h"
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A viewable window of ours below `window`.
bool showsOurWindow(Display* display, Window window) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint)) {
        const bool ours = hint.res_class && QByteArray(hint.res_class) == "Quorvane";
        XFree(hint.res_name);
        XFree(hint.res_class);
        XWindowAttributes attributes;
        if (ours && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
            return true;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = showsOurWindow(display, children[i]);
    if (children)
        XFree(children);
    return found;
}

double residentMegabytes(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void BM_StartToTrayIcon(benchmark::State& state) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X display: run under scripts/run-tests.sh");
        return;
    }
    double rss = 0;
    for (auto _ : state) {
        QTemporaryDir home;
        const QByteArray root = home.path().toLocal8Bit();
        for (const char* sub : {"/.local/share", "/.config", "/.local/state", "/.cache"})
            QDir().mkpath(home.path() + QString::fromLatin1(sub));
        const auto started = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("HOME", root.constData(), 1);
            setenv("XDG_DATA_HOME", (root + "/.local/share").constData(), 1);
            setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
            setenv("XDG_STATE_HOME", (root + "/.local/state").constData(), 1);
            setenv("XDG_CACHE_HOME", (root + "/.cache").constData(), 1);
            execl(QUORVANE_BINARY, QUORVANE_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
        bool shown = false;
        while (!shown && std::chrono::steady_clock::now() - started < std::chrono::seconds(20)) {
            shown = showsOurWindow(display, DefaultRootWindow(display));
            if (!shown)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        state.SetIterationTime(seconds);
        if (!shown)
            state.SkipWithError("the tray icon never showed");
        std::this_thread::sleep_for(std::chrono::seconds(1));
        rss = residentMegabytes(pid);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    state.counters["idle_rss_MB"] = rss;
    XCloseDisplay(display);
}

} // namespace

BENCHMARK(BM_StartToTrayIcon)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
int main(int argc, char** argv) {
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    return BenchRun::run(&argc, argv);
}
