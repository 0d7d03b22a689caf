#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "engine/EngineBootstrap.h"
#include "state/AppActions.h"
#include "support/Defaults.h"

#include <QFuture>

namespace SelfTests {

void reportSetupState(const QString& path, EngineBootstrap& engine) {
    engine.checkEngine().then(&engine, [&engine, path](bool engineExists) {
        using SelfTestText::boolean;
        const bool modelsComplete = engine.modelsComplete();
        const bool onboardingDone = Defaults::shared().boolOr(QStringLiteral("onboardingDone"), false);
        const bool shouldShow = !(onboardingDone && engineExists && modelsComplete);
        SelfTestText::write(path, QStringLiteral("engineExists=%1 modelsComplete=%2 onboardingDone=%3 shouldShow=%4")
                                      .arg(boolean(engineExists), boolean(modelsComplete), boolean(onboardingDone),
                                           boolean(shouldShow)));
        requestQuit();
    });
}

} // namespace SelfTests
