#pragma once

#include "support/TargetWindow.h"

#include <QCoreApplication>

// The target window of the dictation tests: this test program again, serving
// the window in a process of its own.
class DictationTarget : public TargetWindow::Process {
public:
    DictationTarget()
        : Process(QCoreApplication::applicationFilePath(), {},
                  environmentFor(TargetWindow::Kind::Application)) {}
};
