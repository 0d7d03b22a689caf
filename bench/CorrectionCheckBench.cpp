// The correction check at the start of a dictation over the accessibility bus,
// on a GTK text view of 100,000 characters (a toolkit that counts offsets in
// code points, with a hand emoji of two UTF-16 units on every line): the last
// dictation was pasted in the middle of the text and the user fixed a name in
// it. The check reads a bounded stretch around the insertion, so the size of
// the document does not count. Aim: under 20 ms. Needs the desktop services:
//   scripts/run-tests.sh BUILD -L bench -R CorrectionCheck -V
#include "BenchRun.h"
#include "dictation/FrontmostApp.h"
#include "insertion/AXText.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionWatch.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Defaults.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

constexpr qint64 kTextUnits = 100000;
const QString kLine = QStringLiteral("lorem ipsum dolor sit amet \U0001F44B ");
const QString kFullLine = kLine + QLatin1Char('\n');
const QString kDictated = QStringLiteral("please call jackson today ");
const QString kHeard = QStringLiteral("jackson");
const QString kMeant = QStringLiteral("Jaxon");

std::unique_ptr<TargetWindow::Process> target;

void BM_CorrectionCheckInALargeGtkField(benchmark::State& state) {
    if (!target) {
        state.SkipWithError("no GTK target window (run under the desktop harness)");
        return;
    }
    QTemporaryDir folder;
    Defaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    defaults.set(QStringLiteral("learnCorrections"), true);
    CorrectionLedger ledger(defaults);
    QString traced;
    CorrectionWatch watch(
        {defaults, ledger, [](const QString&) { return false; }, [&traced](const QString& line) { traced = line; }});
    const qint64 middle = (kTextUnits / kFullLine.size() / 2) * kFullLine.size();
    std::vector<double> milliseconds;
    for (auto _ : state) {
        // The dictation pasted in the middle of the document, then the user's fix.
        if (!AXText::setSelectedRange(middle, 0)
            || !target->ask(QStringLiteral("type ") + kDictated, QStringLiteral("typed"))) {
            state.SkipWithError("the target did not take the dictation");
            return;
        }
        watch.noteInsertion(kDictated, AXText::Range{middle, kDictated.size()});
        const qint64 name = middle + kDictated.indexOf(kHeard);
        if (!AXText::setSelectedRange(name, kHeard.size())
            || !target->ask(QStringLiteral("type ") + kMeant, QStringLiteral("typed"))) {
            state.SkipWithError("the target did not take the fix");
            return;
        }
        defaults.remove(CorrectionLedger::kSeenKey);
        const auto start = std::chrono::steady_clock::now();
        watch.checkForCorrection();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (!traced.startsWith(QStringLiteral("correction: jackson -> Jaxon"))) {
            state.SkipWithError(("the fix was not found: " + traced).toStdString().c_str());
            return;
        }
        state.SetIterationTime(took.count() / 1000.0);
        milliseconds.push_back(took.count());
    }
    BenchRun::reportSpread(state, milliseconds);
}
BENCHMARK(BM_CorrectionCheckInALargeGtkField)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        return BenchRun::notMeasured("no desktop services (run under scripts/run-tests.sh BUILD -L bench)");
    LinuxPlatform services;
    Platform::install(services.services());
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    const qint64 lines = kTextUnits / kFullLine.size();
    target = std::make_unique<TargetWindow::Process>(
        QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(QUORVANE_TEST_SOURCE "/support/gtk_target.py")},
        QProcessEnvironment::systemEnvironment());
    const bool ready =
        target->ready() && target->ask(QStringLiteral("focus area"), QStringLiteral("focused"))
        && target->ask(QStringLiteral("fill %1 %2").arg(lines).arg(kLine), QStringLiteral("filled"), 20000)
        && TargetWindow::spinUntil(
            [&] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid()
                       && AXText::selectedRange() == AXText::Range{lines * kFullLine.size(), 0};
            },
            20000);
    if (!ready)
        target.reset();
    const int status = BenchRun::run(&argc, argv);
    target.reset();
    return status;
}
