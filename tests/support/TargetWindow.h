#pragma once

// A small window for desktop tests to type and paste into, run as a separate
// process so that the accessibility queries of the test process reach another
// application, as they do in use. It holds a one-line field and a text area,
// and talks over standard input and output, one command a line:
//   "focus line" | "focus area"   focus a field (and activate the window)
//   "type TEXT"                    insert TEXT at the caret of the focused field
//   "readonly on" | "readonly off" make the focused field read-only or editable
//   "slow paste MS"                take MS milliseconds, busy, before pasting
//   "copy TEXT"                    put TEXT and a small image on the clipboard
//   "selectall"                    select the whole text of the focused field and
//                                  offer it as the primary selection, as a mouse
//                                  selection does
//   "clipboard"                    answer "@@clipboard FORMATS TEXT-BASE64"
//   "clipboard image"              answer "@@image WIDTHxHEIGHT #RRGGBB" (the
//                                  first pixel), or "@@image none"
//   "quit"
// Answers start with "@@" so that they stand out from other output. In
// terminal mode the window calls itself "xterm" and its fields paste only on
// Ctrl+Shift+V, like a terminal emulator; each paste chord received is
// reported as "@@chord ctrl+v" or "@@chord ctrl+shift+v".
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QSocketNotifier>
#include <QTextEdit>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

namespace TargetWindow {

// The two looks of the window: an ordinary application, or a terminal emulator.
enum class Kind { Application, Terminal };

// Set in the environment of a test program that is to serve the window.
constexpr const char* kVariable = "QV_TARGET_WINDOW";

// The window this test program was started to serve, none when it runs tests.
inline std::optional<Kind> requested() {
    const QByteArray kind = qgetenv(kVariable);
    if (kind.isEmpty())
        return std::nullopt;
    return kind == "terminal" ? Kind::Terminal : Kind::Application;
}

inline void answer(const QString& line) { std::cout << "@@" << line.toStdString() << std::endl; }

// Reports paste chords and, in terminal mode, pastes only on Ctrl+Shift+V.
// A slow application takes `slowness` before it asks for what it pastes.
class ChordFilter : public QObject {
public:
    explicit ChordFilter(bool terminal) : m_terminal(terminal) {}

    int slownessMs = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_V || !(key->modifiers() & Qt::ControlModifier))
            return false;
        const bool shifted = key->modifiers() & Qt::ShiftModifier;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // keep the chord for the field
            return true;
        }
        answer(shifted ? QStringLiteral("chord ctrl+shift+v") : QStringLiteral("chord ctrl+v"));
        if (slownessMs > 0)
            QThread::msleep(ulong(slownessMs));
        if (!m_terminal)
            return false;
        if (shifted) {
            if (auto* line = qobject_cast<QLineEdit*>(watched))
                line->paste();
            else if (auto* area = qobject_cast<QTextEdit*>(watched))
                area->paste();
        }
        return true; // a terminal ignores a plain Ctrl+V
    }

private:
    bool m_terminal;
};

// Runs the window until "quit" or the end of standard input.
inline int serve(bool terminal) {
    if (terminal)
        QCoreApplication::setApplicationName(QStringLiteral("xterm"));
    QWidget window;
    window.setWindowTitle(terminal ? QStringLiteral("Terminal target") : QStringLiteral("Insertion target"));
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit;
    line->setObjectName(QStringLiteral("line"));
    auto* area = new QTextEdit;
    area->setAcceptRichText(false);
    area->setObjectName(QStringLiteral("area"));
    layout->addWidget(line);
    layout->addWidget(area);
    ChordFilter filter(terminal);
    line->installEventFilter(&filter);
    area->installEventFilter(&filter);
    window.resize(480, 320);
    window.show();

    QWidget* focused = line;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, size_t(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const QString command = QString::fromUtf8(pending.substr(0, end));
            pending.erase(0, end + 1);
            if (command == QLatin1String("quit")) {
                QCoreApplication::quit();
            } else if (command.startsWith(QLatin1String("focus "))) {
                focused = command.endsWith(QLatin1String("area")) ? static_cast<QWidget*>(area) : line;
                window.activateWindow();
                window.raise();
                focused->setFocus();
                answer(QStringLiteral("focused"));
            } else if (command.startsWith(QLatin1String("slow paste "))) {
                filter.slownessMs = command.mid(11).toInt();
                answer(QStringLiteral("slow"));
            } else if (command.startsWith(QLatin1String("type "))) {
                const QString text = command.mid(5);
                if (focused == line)
                    line->insert(text);
                else
                    area->insertPlainText(text);
                answer(QStringLiteral("typed"));
            } else if (command.startsWith(QLatin1String("readonly "))) {
                const bool readOnly = command.endsWith(QLatin1String(" on"));
                if (focused == line)
                    line->setReadOnly(readOnly);
                else
                    area->setReadOnly(readOnly);
                answer(QStringLiteral("readonly"));
            } else if (command == QLatin1String("selectall")) {
                if (focused == line)
                    line->selectAll();
                else
                    area->selectAll();
                QGuiApplication::clipboard()->setText(
                    focused == line ? line->selectedText() : area->textCursor().selectedText(), QClipboard::Selection);
                answer(QStringLiteral("selected"));
            } else if (command.startsWith(QLatin1String("copy "))) {
                QImage image(8, 8, QImage::Format_RGB32);
                image.fill(Qt::red);
                auto* data = new QMimeData;
                data->setText(command.mid(5));
                data->setImageData(image);
                QGuiApplication::clipboard()->setMimeData(data);
                answer(QStringLiteral("copied"));
            } else if (command == QLatin1String("clipboard image")) {
                const QImage image = QGuiApplication::clipboard()->image();
                answer(image.isNull() ? QStringLiteral("image none")
                                      : QStringLiteral("image %1x%2 %3")
                                            .arg(image.width())
                                            .arg(image.height())
                                            .arg(image.pixelColor(0, 0).name()));
            } else if (command == QLatin1String("clipboard")) {
                const QMimeData* data = QGuiApplication::clipboard()->mimeData();
                QStringList formats = data ? data->formats() : QStringList();
                formats.sort();
                answer(QStringLiteral("clipboard %1 %2")
                           .arg(formats.join(QLatin1Char(',')),
                                QString::fromLatin1(data ? data->text().toUtf8().toBase64() : QByteArray())));
            }
        }
    });
    answer(QStringLiteral("ready"));
    return QApplication::exec();
}

// Keeps this process's events flowing (the target asks it for clipboard data)
// until `done` holds or `timeoutMs` passes; gives the last `done`.
template <typename Predicate> bool spinUntil(Predicate done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

// A target application in its own process, driven line by line: the Qt window
// above (`program` started with `arguments` that make it call `serve`) or any
// program that speaks the same commands.
class Process {
public:
    Process(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_ready = waitFor(QStringLiteral("ready"), 20000).has_value();
    }
    ~Process() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // This test program again, serving the window of `kind`.
    static QProcessEnvironment environmentFor(Kind kind) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kVariable),
                           kind == Kind::Terminal ? QStringLiteral("terminal") : QStringLiteral("application"));
        return environment;
    }

    bool ready() const { return m_ready; }
    qint64 pid() const { return m_process.processId(); }

    // Sends a command and waits for the answer that starts with `expected`.
    std::optional<QString> ask(const QString& command, const QString& expected, int timeoutMs = 5000) {
        m_process.write(command.toUtf8() + '\n');
        return waitFor(expected, timeoutMs);
    }

    // The answer starting with `prefix`, waiting up to `timeoutMs` for it.
    std::optional<QString> waitFor(const QString& prefix, int timeoutMs) {
        std::optional<QString> found;
        spinUntil(
            [&] {
                readAnswers();
                for (qsizetype i = 0; i < m_answers.size(); ++i) {
                    if (m_answers[i].startsWith(prefix)) {
                        found = m_answers.takeAt(i);
                        return true;
                    }
                }
                return m_process.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return found;
    }

private:
    void readAnswers() {
        m_buffer += m_process.readAllStandardOutput();
        for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
            if (line.startsWith(QLatin1String("@@")))
                m_answers << line.mid(2);
        }
    }

    QProcess m_process;
    QByteArray m_buffer;
    QStringList m_answers;
    bool m_ready = false;
};

} // namespace TargetWindow
