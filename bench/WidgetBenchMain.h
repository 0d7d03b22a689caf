#pragma once

#include "BenchRun.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

// Runs the benchmarks of a widget benchmark program: offscreen without a
// display, and on the real platform services under the desktop harness.
// `beforeQuit` lets go of what the benchmarks kept between runs (windows,
// stores) while the application and the platform are still alive.
inline int runWidgetBenchmarks(int argc, char** argv, const std::function<void()>& beforeQuit = {}) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::unique_ptr<LinuxPlatform> linux;
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        linux = std::make_unique<LinuxPlatform>();
        Platform::install(linux->services());
    }
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices rootServices;
    const int status = BenchRun::run(&argc, argv);
    if (beforeQuit)
        beforeQuit();
    return status;
}
