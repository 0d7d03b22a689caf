#pragma once

// A window of a big application for the focus to move about in: a field at
// the top, some three thousand labels in panels, and a field at the bottom of
// a chain of nested panels, so that a search for the focus by walking the
// elements visits nearly all of them before it reaches that field. This test
// program again, in the child role "big-form"; it takes the commands of
// TargetWindow.h's protocol: "focus first" and "focus deep" (answered
// "@@focused"), "quit".
#include "support/ChildRole.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <string>
#include <unistd.h>

namespace BigForm {

constexpr int kPanels = 40;
constexpr int kLabelsPerPanel = 75;
constexpr int kNesting = 8;
inline const QString kFirst = QStringLiteral("first");
inline const QString kDeep = QStringLiteral("deep");

inline int serve() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Big form"));
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit;
    first->setAccessibleName(kFirst);
    layout->addWidget(first);
    auto* panels = new QGridLayout;
    for (int p = 0; p < kPanels; ++p) {
        auto* panel = new QWidget;
        auto* grid = new QGridLayout(panel);
        grid->setSpacing(0);
        grid->setContentsMargins(0, 0, 0, 0);
        for (int l = 0; l < kLabelsPerPanel; ++l)
            grid->addWidget(new QLabel(QStringLiteral("·")), l / 15, l % 15);
        panels->addWidget(panel, p / 8, p % 8);
    }
    layout->addLayout(panels);
    QWidget* outer = new QWidget;
    layout->addWidget(outer);
    for (int level = 0; level < kNesting; ++level) {
        auto* inner = new QWidget;
        (new QVBoxLayout(outer))->addWidget(inner);
        outer = inner;
    }
    auto* deep = new QLineEdit;
    deep->setAccessibleName(kDeep);
    (new QVBoxLayout(outer))->addWidget(deep);
    window.resize(1200, 700);
    window.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, size_t(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const QString command = QString::fromStdString(pending.substr(0, end));
            pending.erase(0, end + 1);
            if (command == QLatin1String("quit")) {
                QCoreApplication::quit();
            } else if (command.startsWith(QLatin1String("focus "))) {
                window.activateWindow();
                window.raise();
                (command.endsWith(kDeep) ? deep : first)->setFocus();
                TargetWindow::answer(QStringLiteral("focused"));
            }
        }
    });
    TargetWindow::answer(QStringLiteral("ready"));
    return QApplication::exec();
}

inline const bool kRole = ChildRole::add(QStringLiteral("big-form"), serve);

class Window : public TargetWindow::Process {
public:
    Window() : Process(QCoreApplication::applicationFilePath(), {}, environment()) {}

private:
    static QProcessEnvironment environment() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QV_TEST_CHILD_ROLE"), QStringLiteral("big-form"));
        return environment;
    }
};

} // namespace BigForm
