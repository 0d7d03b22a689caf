#pragma once

// The windows hover reading is tried on: word-wrapped paragraphs, a link and a
// button, in a Qt window (this test program again, in the child role
// "hover-target") or a GTK one (hover_target.py). Both take the commands of
// TargetWindow.h's protocol: they answer "@@ready" once shown, "where" with
// the screen rectangles of their parts, and stop on "quit".
#include "support/ChildRole.h"
#include "support/TargetWindow.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <map>
#include <string>
#include <unistd.h>

namespace HoverTarget {

inline const QString kFirstParagraph = QStringLiteral(
    "Hover reading finds the paragraph under the pointer in any application and offers to read it aloud. "
    "This first paragraph is long enough to wrap over several lines of the window.");
inline const QString kSecondParagraph = QStringLiteral(
    "The second paragraph is the one the tests point at. It holds a few sentences of plain prose, so that the "
    "reader has something worth saying, and it wraps as the first one does.");
inline const QString kLinkText = QStringLiteral("Read the whole story");
inline const QString kButtonText = QStringLiteral("Subscribe");
// Where the windows show: below and right of the screen's top-left corner.
constexpr QPoint kWindowPosition(60, 120);

inline QString rectText(const QRect& rect) {
    return QStringLiteral("%1,%2,%3,%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

inline const QString kLinkName = QStringLiteral("hover-link");

// Makes the label named "hover-link" call itself a link, as a web view's link does.
inline QAccessibleInterface* linkFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QLabel") && object && object->objectName() == kLinkName) {
        auto* label = static_cast<QLabel*>(object);
        return new QAccessibleWidget(label, QAccessible::Link, label->text());
    }
    return nullptr;
}

// Serves the Qt window until "quit" or the end of standard input.
inline int serveQt() {
    QAccessible::installFactory(linkFactory);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Hover target"));
    auto* layout = new QVBoxLayout(&window);
    auto* heading = new QLabel(QStringLiteral("Notes"));
    auto* first = new QLabel(kFirstParagraph);
    auto* second = new QLabel(kSecondParagraph);
    for (QLabel* paragraph : {first, second})
        paragraph->setWordWrap(true);
    // Named before it has a text: the text makes its accessible interface.
    auto* link = new QLabel;
    link->setObjectName(kLinkName);
    link->setText(kLinkText);
    auto* button = new QPushButton(kButtonText);
    for (QWidget* part : std::initializer_list<QWidget*>{heading, first, second, link, button})
        layout->addWidget(part);
    window.setFixedWidth(460);
    window.move(kWindowPosition);
    window.show();

    const auto where = [&] {
        const auto global = [](const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint()), widget->size()); };
        TargetWindow::answer(QStringLiteral("where first=%1 second=%2 link=%3 button=%4")
                                 .arg(rectText(global(first)), rectText(global(second)), rectText(global(link)),
                                      rectText(global(button))));
    };
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
            const std::string command = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (command == "quit")
                QCoreApplication::quit();
            else if (command == "where")
                where();
        }
    });
    TargetWindow::answer(QStringLiteral("ready"));
    return QApplication::exec();
}

inline const bool kQtRole = ChildRole::add(QStringLiteral("hover-target"), serveQt);

// One of the targets, started and driven.
class Window : public TargetWindow::Process {
public:
    enum class Kind { Qt, Gtk };

    explicit Window(Kind kind) : Process(program(kind), arguments(kind), environment(kind)) {}

    // The screen rectangles the window reports, by part ("first", "second", "link", "button").
    std::map<QString, QRect> parts() {
        std::map<QString, QRect> found;
        const std::optional<QString> answer = ask(QStringLiteral("where"), QStringLiteral("where"));
        if (!answer)
            return found;
        for (const QString& item : answer->mid(6).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList nameAndRect = item.split(QLatin1Char('='));
            const QStringList numbers = nameAndRect.value(1).split(QLatin1Char(','));
            if (numbers.size() == 4)
                found[nameAndRect[0]] =
                    QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
        }
        return found;
    }

private:
    static QString program(Kind kind) {
        return kind == Kind::Gtk ? QStringLiteral("/usr/bin/python3") : QCoreApplication::applicationFilePath();
    }
    static QStringList arguments(Kind kind) {
        if (kind == Kind::Gtk)
            return {QStringLiteral(QUORVANE_TEST_SOURCE "/hover_desktop/hover_target.py")};
        return {};
    }
    static QProcessEnvironment environment(Kind kind) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (kind == Kind::Qt)
            environment.insert(QStringLiteral("QV_TEST_CHILD_ROLE"), QStringLiteral("hover-target"));
        return environment;
    }
};

} // namespace HoverTarget
