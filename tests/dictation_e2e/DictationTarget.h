#pragma once

#include "dictation/FrontmostApp.h"
#include "insertion/AXText.h"
#include "support/TargetWindow.h"

#include <QCoreApplication>
#include <QtTest/QTest>

// The target window of the dictation tests: this test program again, serving
// the window in a process of its own.
class DictationTarget : public TargetWindow::Process {
public:
    DictationTarget()
        : Process(QCoreApplication::applicationFilePath(), {}, environmentFor(TargetWindow::Kind::Application)) {}

    // Whether the desktop reports this window frontmost with a field focused.
    bool isFocusedInFront() const {
        const std::optional<FrontmostApp> front = FrontmostApp::current();
        return front && front->pid == pid() && AXText::focusedElement();
    }

    // Focuses the text line and waits until the desktop says so.
    bool focusLine() {
        return ask(QStringLiteral("focus line"), QStringLiteral("focused"))
               && QTest::qWaitFor([this] { return isFocusedInFront(); }, 10000);
    }
};
