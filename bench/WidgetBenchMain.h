#pragma once

#include "BenchRun.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

// Runs the benchmarks of a widget benchmark program: offscreen without a
// display, and on the real platform services under the desktop harness.
inline int runWidgetBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::unique_ptr<LinuxPlatform> linux;
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        linux = std::make_unique<LinuxPlatform>();
        Platform::install(linux->services());
    }
    const int status = BenchRun::run(&argc, argv);
    return status;
}
