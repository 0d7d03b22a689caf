// The program's own time from the stop of a 5 s take to the paste: the engine
// check, WAV encoding, the request to a speech server that answers at once,
// numbers, post-processing, the mode's rules, history, statistics, the caret
// context and the clipboard write. Platform services are the tests' fakes.
#include "state/AppState.h"
#include "dictation/DictationController.h"
#include "dictation/Recorder.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/LoopbackHttpServer.h"

#include <QApplication>
#include <QPromise>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// Notes the moment the paste keystroke goes out.
class TimedKeySynth : public FakeKeySynth {
public:
    void paste(PasteChord chord) override {
        pastedAt = Clock::now();
        FakeKeySynth::paste(chord);
    }
    Clock::time_point pastedAt;
};

void BM_StopToPaste(benchmark::State& state) {
    FakePlatform fakes;
    TimedKeySynth keys;
    auto field = std::make_shared<FakeElement>();
    field->value = QString();
    field->selection = AccessibleElement::TextRange{0, 0};
    fakes.accessibility.focused = field;
    fakes.audioInput.devices = {{1, QStringLiteral("Microphone"), 1}};
    fakes.audioInput.defaultDevice = 1;
    fakes.audioInput.script.format = {16000, 1};
    Platform services = fakes.services();
    services.keySynth = &keys;
    Platform::install(services);

    LoopbackHttpServer speech;
    speech.on("GET", "/v1/models", [](const auto&) { return LoopbackHttpServer::Response::json(R"({"data":[]})"); });
    speech.on("POST", "/v1/audio/transcriptions", [](const auto&) {
        return LoopbackHttpServer::Response::json(
            R"({"text":"um so please schedule a meeting with the marketing team for next tuesday afternoon"})");
    });
    if (!speech.listen(50061)) {
        state.SkipWithError("port 50061 is taken");
        return;
    }
    Defaults::shared().set(QStringLiteral("autoCleanLevel"), QStringLiteral("off"));

    AppState appState;
    Recorder recorder(&fakes.audioInput);
    // The waits after the paste pass at once; the live preview's never ends,
    // so no preview request competes with the measured stop.
    std::vector<std::shared_ptr<QPromise<void>>> previews;
    DictationController controller(appState, Defaults::shared(), recorder, {},
                                   [&previews](std::chrono::milliseconds delay) {
                                       auto wait = std::make_shared<QPromise<void>>();
                                       wait->start();
                                       if (delay == std::chrono::milliseconds(700))
                                           previews.push_back(wait);
                                       else
                                           QTimer::singleShot(0, [wait] { wait->finish(); });
                                       return wait->future();
                                   });
    const std::vector<float> take(5 * 16000, 0.2f);
    std::vector<double> seconds;
    for (auto _ : state) {
        controller.toggle();
        fakes.audioInput.lastCapture()->deliver(take);
        const Clock::time_point stop = Clock::now();
        if (!awaitFuture(controller.toggle(), 20000) || keys.posted.isEmpty()) {
            state.SkipWithError("the take was not pasted");
            return;
        }
        seconds.push_back(std::chrono::duration<double>(keys.pastedAt - stop).count());
        state.SetIterationTime(seconds.back());
        keys.posted.clear();
    }
    std::sort(seconds.begin(), seconds.end());
    state.counters["median_ms"] = seconds[seconds.size() / 2] * 1000.0;
}
BENCHMARK(BM_StopToPaste)->UseManualTime()->Iterations(20)->Repetitions(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // History and statistics go to a home of their own.
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        qputenv(variable, QFile::encodeName(home.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
