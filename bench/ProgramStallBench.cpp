// The longest stall of the real program's GUI thread, from its own watch
// (QV_STALL_LOG: every gap of 5 ms or more between the ticks of a 1 ms
// timer), across a launch, a dictation, a reading of the pasted take (reader
// key on the selected text) and a quit, each run in a home of its own with a
// speech server that answers at once. The quit's figure runs from the last
// turn of the event loop to the program's exit. Median, p90 and max over the
// runs; aim: max under 50 ms. The repair of the speech engine is measured
// apart, as a user comes to it: the Microphone Test opened from the General
// page, a take of sound that the engine answers with an error, and the
// repair button clicked; its figure runs from the click until the window
// says the engine is repaired. The repair installs the build's engine archive
// from the distribution folder and starts the real test engine from it, so
// the quit that follows is also reported: it stops a real engine.
//   scripts/run-tests.sh BUILD -L bench -R ProgramStall -V
#include "support/ProgramAccessTree.h" // before Qt: GLib headers use the name "signals"

#include "BenchRun.h"
#include "DesktopBench.h"
#include "InstantEngine.h"
#include "ProgramDrive.h"
#include "engine/MlxServer.h"
#include "support/EngineWait.h"
#include "support/MicrophoneFeed.h"
#include "support/PortLock.h"
#include "support/ProgramHome.h"
#include "support/TargetWindow.h"
#include "support/TestEngine.h"
#include "support/XClient.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

using ProgramDrive::keyboard;
using ProgramDrive::kSampleBytesPerSecond;
using ProgramDrive::kSettings;
using ProgramDrive::pressChord;
using ProgramDrive::pressDictationHotkey;
using ProgramDrive::speak;
using ProgramDrive::target;

const QString kStalls = QStringLiteral("stalls.log");
const QByteArray kWindowSettings = R"({"onboardingDone":true,"openWindowAtLaunch":true})";
// The microphone test records three seconds; a loud take runs a little longer.
constexpr int kTakeSeconds = 5;
constexpr int kRepairTimeoutMs = 180000;
constexpr int kPollMs = 500;

qint64 monotonicNow() {
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

// What the program's watch wrote: the gaps with the time each ended, the
// time of each mark, and the stacks of the GUI thread sampled during the gaps.
struct StallLog {
    struct Gap {
        qint64 end = 0;
        qint64 length = 0;
    };
    struct Sample {
        qint64 at = 0;
        QList<QByteArray> frames;
    };
    std::optional<qint64> started;
    std::vector<Gap> gaps;
    std::vector<Sample> samples;
    std::optional<qint64> quitting;
    std::optional<qint64> exited;

    static StallLog parse(const QByteArray& text) {
        StallLog log;
        for (const QByteArray& line : text.split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() >= 4 && fields[0] == "stack") {
                const qint64 at = fields[1].toLongLong();
                if (log.samples.empty() || log.samples.back().at != at)
                    log.samples.push_back({at, {}});
                log.samples.back().frames.append(fields.mid(3).join(' '));
                continue;
            }
            if (fields.size() != 2)
                continue;
            if (fields[0] == "start")
                log.started = fields[1].toLongLong();
            else if (fields[0] == "quitting")
                log.quitting = fields[1].toLongLong();
            else if (fields[0] == "exit")
                log.exited = fields[1].toLongLong();
            else
                log.gaps.push_back({fields[0].toLongLong(), fields[1].toLongLong()});
        }
        return log;
    }
    // The distinct stacks sampled during `gap`, each with how often it was seen.
    std::vector<std::pair<QList<QByteArray>, int>> stacksIn(const Gap& gap) const {
        std::vector<std::pair<QList<QByteArray>, int>> stacks;
        for (const Sample& sample : samples) {
            if (sample.at <= gap.end - gap.length || sample.at > gap.end)
                continue;
            const auto seen = std::find_if(stacks.begin(), stacks.end(),
                                           [&](const auto& stack) { return stack.first == sample.frames; });
            if (seen == stacks.end())
                stacks.emplace_back(sample.frames, 1);
            else
                ++seen->second;
        }
        return stacks;
    }
    // The longest gap that ended within [from, to].
    qint64 longestIn(qint64 from, qint64 to) const {
        qint64 worst = 0;
        for (const Gap& gap : gaps)
            if (gap.end >= from && gap.end <= to)
                worst = std::max(worst, gap.length);
        return worst;
    }
};

// Gaps this long or longer are reported with their stacks.
constexpr qint64 kExplainedStallMs = 25;

// The frames of the program itself named by addr2line ("quorvane(+0x1f2e3)
// [0x...]" becomes "quorvane: Function(args)"), the others as the C library
// named them.
QList<QByteArray> named(const QList<QByteArray>& frames) {
    static const QRegularExpression own(QStringLiteral("^(\\S*/quorvane)\\(\\+(0x[0-9a-f]+)\\)"));
    QStringList offsets;
    for (const QByteArray& frame : frames)
        if (const QRegularExpressionMatch match = own.match(QString::fromUtf8(frame)); match.hasMatch())
            offsets << match.captured(2);
    QStringList names;
    if (!offsets.isEmpty()) {
        QProcess addr2line;
        addr2line.start(QStringLiteral("addr2line"), QStringList{QStringLiteral("-C"), QStringLiteral("-f"),
                                                                 QStringLiteral("-e"), QStringLiteral(QUORVANE_BINARY)}
                                                         + offsets);
        if (addr2line.waitForFinished(10000)) {
            const QStringList lines = QString::fromUtf8(addr2line.readAllStandardOutput()).split(QLatin1Char('\n'));
            for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
                names << lines[i];
        }
    }
    QList<QByteArray> result;
    qsizetype next = 0;
    for (const QByteArray& frame : frames) {
        if (own.match(QString::fromUtf8(frame)).hasMatch() && next < names.size())
            result << "quorvane: " + names[next++].toUtf8();
        else
            result << frame;
    }
    return result;
}

// Writes every gap of at least kExplainedStallMs in [from, to] with the stacks
// the watch sampled during it.
void explainStalls(const StallLog& log, const char* phase, qint64 from, qint64 to) {
    for (const StallLog::Gap& gap : log.gaps) {
        if (gap.end < from || gap.end > to || gap.length < kExplainedStallMs)
            continue;
        const auto stacks = log.stacksIn(gap);
        qInfo("%s: a stall of %lld ms, %d stack samples", phase, gap.length, int(stacks.size()));
        for (const auto& [frames, seen] : stacks) {
            qInfo("  seen %d times:", seen);
            for (const QByteArray& frame : named(frames))
                qInfo("    %s", frame.constData());
        }
    }
}

// The stall log of a program that has quit, and the longest stall of its
// quit: a gap after it was asked to, or the time from the last turn of its
// event loop to its exit.
struct QuitStalls {
    StallLog log;
    qint64 quit = 0;
};

class Program {
public:
    explicit Program(const QString& engine, const QByteArray& settings = kSettings) : m_home(settings) {
        QProcessEnvironment environment = m_home.environment(engine);
        environment.insert(QStringLiteral("QV_STALL_LOG"), m_home.file(kStalls));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QStringLiteral(QUORVANE_BINARY), {});
        m_process.waitForStarted(10000);
    }
    ~Program() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Asks the program to quit (SIGTERM) and tells whether it exited with 0, no signal.
    bool quit() {
        m_process.terminate();
        if (!m_process.waitForFinished(30000)) {
            qWarning("the program did not end within 30 s of its quit");
            return false;
        }
        if (m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0)
            return true;
        qWarning("the program ended with %s %d", m_process.exitStatus() == QProcess::NormalExit ? "status" : "signal",
                 m_process.exitCode());
        return false;
    }
    // Quits the program and reads its stall log; none, with the benchmark
    // skipped, when it did not exit cleanly or wrote no log.
    std::optional<QuitStalls> quitMeasured(benchmark::State& state) {
        const qint64 quitAsked = monotonicNow();
        if (!quit()) {
            state.SkipWithError("the program did not exit cleanly");
            return std::nullopt;
        }
        const StallLog log = stalls();
        if (!log.started || !log.exited || !log.quitting) {
            state.SkipWithError("the program wrote no stall log (QV_STALL_LOG)");
            return std::nullopt;
        }
        return QuitStalls{log, std::max(log.longestIn(quitAsked, *log.exited), *log.exited - *log.quitting)};
    }
    qint64 pid() const { return m_process.processId(); }
    QString trace() const { return ProgramDrive::trace(m_home); }
    StallLog stalls() const { return StallLog::parse(m_home.read(kStalls)); }
    bool startTake() { return ProgramDrive::startTake(m_home); }
    // Selects the focused field's text and reads it with the reader key;
    // true once the reading has started and its half second of sound has played.
    bool readSelection() {
        keyboard->press("Control_L");
        keyboard->tap("a");
        keyboard->release("Control_L");
        TargetWindow::spinUntil([] { return false; }, 300);
        pressChord("r");
        if (!TargetWindow::spinUntil([&] { return trace().contains(QStringLiteral("reader voice override=")); }, 10000))
            return false;
        TargetWindow::spinUntil([] { return false; }, 1500);
        return true;
    }

private:
    ProgramHome m_home;
    QProcess m_process;
};

void BM_ProgramGuiStall(benchmark::State& state) {
    const QString real = TestEngine::folder();
    if (!ProgramDrive::desktopReady(state, real))
        return;
    const PortLock port(MlxServer::port);
    if (!ProgramDrive::portFree(state))
        return;
    InstantEngine engine(real);
    const QByteArray speech = QByteArray(kSampleBytesPerSecond, '\0') + QByteArray(kSampleBytesPerSecond / 2, '\x40');
    std::vector<double> worst;
    qint64 launchWorst = 0, dictationWorst = 0, readingWorst = 0, quitWorst = 0;
    for (auto _ : state) {
        if (!target->ask(QStringLiteral("focus line"), QStringLiteral("focused"))) {
            state.SkipWithError("the target window did not take the focus");
            return;
        }
        const qint64 launched = monotonicNow();
        Program program(engine.path());
        if (!waitForEngine(true, 30000)) {
            state.SkipWithError("the program's engine did not answer");
            return;
        }
        const qint64 ready = monotonicNow();
        if (!program.startTake()) {
            state.SkipWithError("the hotkey did not start a dictation");
            return;
        }
        speak(speech);
        const qsizetype pasted = program.trace().count(QStringLiteral("timing total="));
        pressDictationHotkey();
        if (!TargetWindow::spinUntil([&] { return program.trace().count(QStringLiteral("timing total=")) > pasted; },
                                     10000)) {
            state.SkipWithError("the take was not pasted");
            return;
        }
        const qint64 dictated = monotonicNow();
        if (!program.readSelection()) {
            state.SkipWithError("the reader key did not start a reading");
            return;
        }
        const qint64 read = monotonicNow();
        const std::optional<QuitStalls> ended = program.quitMeasured(state);
        if (!ended)
            return;
        const StallLog& log = ended->log;
        const qint64 launch = log.longestIn(launched, ready);
        const qint64 dictation = log.longestIn(ready, dictated);
        const qint64 reading = log.longestIn(dictated, read);
        const qint64 quit = ended->quit;
        launchWorst = std::max(launchWorst, launch);
        dictationWorst = std::max(dictationWorst, dictation);
        readingWorst = std::max(readingWorst, reading);
        quitWorst = std::max(quitWorst, quit);
        worst.push_back(double(std::max({launch, dictation, reading, quit})));
        qInfo("run %d: longest GUI stall launch %lld ms, dictation %lld ms, reading %lld ms, quit %lld ms",
              int(worst.size()), launch, dictation, reading, quit);
        explainStalls(log, "launch", launched, ready);
        explainStalls(log, "dictation", ready, dictated);
        explainStalls(log, "reading", dictated, read);
        explainStalls(log, "quit", read, *log.exited);
    }
    BenchRun::reportSpread(state, worst);
    state.counters["launch_max_ms"] = double(launchWorst);
    state.counters["dictation_max_ms"] = double(dictationWorst);
    state.counters["reading_max_ms"] = double(readingWorst);
    state.counters["quit_max_ms"] = double(quitWorst);
}
BENCHMARK(BM_ProgramGuiStall)->Iterations(5)->Unit(benchmark::kMillisecond);

// The program's elements as a screen reader reaches them, for finding where
// to click; read afresh on every call, as windows come and go.
class ProgramWidgets {
public:
    explicit ProgramWidgets(qint64 pid) : m_pid(pid) { atspi_init(); }

    // The middle on screen of the showing element named `name` with `role`.
    std::optional<QPoint> centreOf(const QString& name, AtspiRole role) const {
        std::optional<QPoint> centre;
        ProgramAccessTree::any(m_pid, [&](AtspiAccessible* element) {
            if (atspi_accessible_get_role(element, nullptr) != role
                || ProgramAccessTree::text(atspi_accessible_get_name(element, nullptr)) != name
                || !ProgramAccessTree::has(element, ATSPI_STATE_SHOWING))
                return false;
            AtspiComponent* component = atspi_accessible_get_component_iface(element);
            if (!component)
                return false;
            if (AtspiRect* box = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr)) {
                centre = QPoint(box->x + box->width / 2, box->y + box->height / 2);
                g_free(box);
            }
            g_object_unref(component);
            return centre.has_value();
        });
        return centre;
    }
    bool showing(const QString& name, AtspiRole role) const { return centreOf(name, role).has_value(); }
    // Presses the showing push button named `name` with its AT-SPI action, as
    // a screen reader does (for one below what its page shows); false when
    // there was none within `timeoutMs`.
    bool press(const QString& name, int timeoutMs = 15000) const {
        return TargetWindow::spinUntil(
            [&] {
                return ProgramAccessTree::any(m_pid, [&](AtspiAccessible* element) {
                    if (atspi_accessible_get_role(element, nullptr) != ATSPI_ROLE_PUSH_BUTTON
                        || ProgramAccessTree::text(atspi_accessible_get_name(element, nullptr)) != name
                        || !ProgramAccessTree::has(element, ATSPI_STATE_SHOWING))
                        return false;
                    AtspiAction* actions = atspi_accessible_get_action_iface(element);
                    if (!actions)
                        return false;
                    bool pressed = false;
                    const int count = atspi_action_get_n_actions(actions, nullptr);
                    for (int a = 0; a < count && !pressed; ++a) {
                        if (ProgramAccessTree::text(atspi_action_get_action_name(actions, a, nullptr))
                                .compare(QLatin1String("press"), Qt::CaseInsensitive)
                            == 0)
                            pressed = atspi_action_do_action(actions, a, nullptr);
                    }
                    g_object_unref(actions);
                    return pressed;
                });
            },
            timeoutMs);
    }
    // Clicks the element once it shows; false when it did not within `timeoutMs`.
    bool click(XClient& mouse, const QString& name, AtspiRole role, int timeoutMs = 15000) const {
        std::optional<QPoint> at;
        if (!TargetWindow::spinUntil([&] { return (at = centreOf(name, role)).has_value(); }, timeoutMs))
            return false;
        mouse.leftClick(*at);
        return true;
    }

private:
    qint64 m_pid;
};

void BM_ProgramGuiStallRepair(benchmark::State& state) {
    const QString real = TestEngine::folder();
    XClient mouse;
    if (!mouse.isOpen() || real.isEmpty()) {
        state.SkipWithError("no desktop or test engine (run under the desktop harness)");
        return;
    }
    const PortLock port(MlxServer::port);
    if (!ProgramDrive::portFree(state))
        return;
    const QByteArray loud(kSampleBytesPerSecond * kTakeSeconds, '\x40');
    std::vector<double> worst;
    qint64 quitWorst = 0;
    for (auto _ : state) {
        // A repair replaces the engine's environment: a failing engine of its own per run.
        InstantEngine failing(real, InstantEngine::Transcriptions::Failing);
        Program program(failing.path(), kWindowSettings);
        if (!waitForEngine(true, 30000)) {
            state.SkipWithError("the program's engine did not answer");
            return;
        }
        const ProgramWidgets widgets(program.pid());
        if (!widgets.click(mouse, QStringLiteral("General"), ATSPI_ROLE_LIST_ITEM)
            || !widgets.press(QStringLiteral("Microphone Test\u2026"))) {
            state.SkipWithError("the Microphone Test could not be opened from the General page");
            return;
        }
        if (!widgets.click(mouse, QStringLiteral("Record 3 seconds and test"), ATSPI_ROLE_PUSH_BUTTON)) {
            state.SkipWithError("the Microphone Test's button was not found");
            return;
        }
        MicrophoneFeed feed;
        feed.feed(loud, [] { return true; });
        const QString repairButton = QStringLiteral("Repair speech engine");
        if (!widgets.click(mouse, repairButton, ATSPI_ROLE_PUSH_BUTTON, 30000)) {
            state.SkipWithError("the failed microphone test offered no repair");
            return;
        }
        const qint64 pressed = monotonicNow();
        // The press stops the engine; the repair has ended once the window says so.
        // The window is asked only once the new engine answers, so that the
        // screen reader's questions weigh on as little of the repair as can be.
        if (!waitForEngine(false, 10000) || !waitForEngine(true, kRepairTimeoutMs)) {
            state.SkipWithError("the repaired engine did not answer");
            return;
        }
        qint64 ended = 0;
        const bool repaired = TargetWindow::spinUntil(
            [&] {
                ended = monotonicNow();
                if (widgets.showing(QStringLiteral("Repaired. Run the test again to confirm."), ATSPI_ROLE_LABEL))
                    return true;
                TargetWindow::spinUntil([] { return false; }, kPollMs);
                return false;
            },
            kRepairTimeoutMs);
        if (!repaired || widgets.showing(repairButton, ATSPI_ROLE_PUSH_BUTTON)) {
            state.SkipWithError("the repair did not end with the engine repaired");
            return;
        }
        const std::optional<QuitStalls> quitted = program.quitMeasured(state);
        if (!quitted)
            return;
        const qint64 repair = quitted->log.longestIn(pressed, ended);
        // Not part of the repair's figure: the quit now stops the real engine.
        const qint64 quit = quitted->quit;
        quitWorst = std::max(quitWorst, quit);
        worst.push_back(double(repair));
        qInfo("run %d: longest GUI stall of the repair %lld ms (%lld ms long); quit with the repaired engine %lld ms",
              int(worst.size()), repair, ended - pressed, quit);
    }
    BenchRun::reportSpread(state, worst);
    state.counters["quit_real_engine_max_ms"] = double(quitWorst);
}
BENCHMARK(BM_ProgramGuiStallRepair)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return DesktopBench::run(argc, argv, [&] {
        // The services the program's root installs, as its root holds them.
        SharedServices shared;
        return ProgramDrive::run(&argc, argv);
    });
}
