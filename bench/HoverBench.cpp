// The readable block under the pointer over a GTK window's wrapped paragraph:
// the whole lookup (window under the point, the application on the bus, the
// deepest element, the climb and the gathered text), uncached (pointing at two
// paragraphs in turn, so the one-entry cache never holds the block) and
// cached (pointing at one). Reports the median per lookup. Needs the desktop
// services:
//   scripts/run-tests.sh BUILD -L bench -R Hover -V
#include "BenchRun.h"
#include "insertion/AXText.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/TargetWindow.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<TargetWindow::Process> target;
QPoint firstParagraph, secondParagraph;

// The centre of a rectangle "X,Y,W,H".
QPoint centreOf(const QString& rect) {
    const QStringList n = rect.split(QLatin1Char(','));
    return n.size() == 4 ? QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt()).center() : QPoint();
}

bool startTarget() {
    target = std::make_unique<TargetWindow::Process>(
        QStringLiteral("/usr/bin/python3"),
        QStringList{QStringLiteral(QUORVANE_TEST_SOURCE "/hover_desktop/hover_target.py")},
        QProcessEnvironment::systemEnvironment());
    if (!target->ready())
        return false;
    const std::optional<QString> where = target->ask(QStringLiteral("where"), QStringLiteral("where"));
    if (!where)
        return false;
    for (const QString& item : where->mid(6).split(QLatin1Char(' '))) {
        if (item.startsWith(QLatin1String("second=")))
            secondParagraph = centreOf(item.mid(7));
        else if (item.startsWith(QLatin1String("first=")))
            firstParagraph = centreOf(item.mid(6));
    }
    // The application's tree may come a little after its window.
    return TargetWindow::spinUntil([] { return AXText::readableTargetAt(secondParagraph).has_value(); }, 20000);
}

void measure(benchmark::State& state, bool cached) {
    std::vector<double> times;
    bool turn = false;
    for (auto _ : state) {
        const QPoint at = cached || turn ? secondParagraph : firstParagraph;
        turn = !turn;
        const Clock::time_point start = Clock::now();
        const bool found = AXText::readableTargetAt(at).has_value();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!found) {
            std::fprintf(stderr, "no block at %d,%d\n", at.x(), at.y());
            state.SkipWithError("no block found");
            return;
        }
    }
    BenchRun::reportSpread(state, times);
}

void BM_ReadableBlockUncached(benchmark::State& state) { measure(state, false); }
void BM_ReadableBlockCached(benchmark::State& state) { measure(state, true); }

BENCHMARK(BM_ReadableBlockUncached)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadableBlockCached)->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    LinuxPlatform linux;
    Platform::install(linux.services());
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    if (!startTarget()) {
        return BenchRun::notMeasured("the GTK hover target did not come up");
    }
    const int status = BenchRun::run(&argc, argv);
    target.reset();
    return status;
}
