#include "selftests/SelfTestRun.h"
#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "cleanup/CleanupEngine.h"

#include <QElapsedTimer>

namespace SelfTests {

void cleanTranscript(CleanupEngine& cleanup, const QString& path, const QString& input) {
    auto* run = SelfTestRun::begin();
    QElapsedTimer clock;
    clock.start();
    cleanup.clean(input, false, QString(), std::nullopt, true)
        .then(run, [run, path, input, clock](const CleanupEngine::Result& cleaned) {
            const double seconds = double(clock.nsecsElapsed()) / 1e9;
            SelfTestText::write(
                path, QStringLiteral("engine=%1 seconds=%2\ninput: %3\noutput: %4")
                          .arg(toString(cleaned.way), SelfTestText::oneDecimal(seconds), input, cleaned.text));
            run->end();
        });
}

} // namespace SelfTests
