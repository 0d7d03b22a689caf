#pragma once

#include "BenchRun.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <memory>

// The start of the benchmark programs that measure under the desktop
// services against a Qt target window in another process. That window is the
// benchmark program itself, started again with --serve-target.
namespace DesktopBench {

// Whether this process was started to serve the target window.
inline bool servesTarget(int argc, char** argv) { return argc > 1 && std::strcmp(argv[1], "--serve-target") == 0; }

// Brings the application up and gives the exit status of `measure`, run in a
// home folder of its own under the desktop services; serves the target window
// instead when started for it. `argc` must outlive the call (the application
// keeps it).
inline int run(int& argc, char** argv, const std::function<int()>& measure) {
    const bool serving = servesTarget(argc, argv);
    QTemporaryDir home;
    if (!serving) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    }
    QApplication app(argc, argv);
    if (serving)
        return TargetWindow::serve(false);
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        return BenchRun::notMeasured("no desktop services (run under scripts/run-tests.sh BUILD -L bench)");
    return measure();
}

// Starts the target window: this program again, serving it.
inline std::unique_ptr<TargetWindow::Process> startTarget() {
    return std::make_unique<TargetWindow::Process>(QCoreApplication::applicationFilePath(),
                                                   QStringList{QStringLiteral("--serve-target")},
                                                   QProcessEnvironment::systemEnvironment());
}

} // namespace DesktopBench
