#pragma once

#include "support/TargetWindow.h"

#include <QCoreApplication>

// The target window of the dictation tests: this test program again, running
// only its `DictationTarget.Serve` test, in a process of its own.
class DictationTarget : public TargetWindow::Process {
public:
    DictationTarget()
        : Process(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=DictationTarget.Serve")},
                  environment()) {}

private:
    static QProcessEnvironment environment() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QV_DICTATION_TARGET"), QStringLiteral("1"));
        return environment;
    }
};
