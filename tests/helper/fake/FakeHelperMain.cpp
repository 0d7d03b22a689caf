// quorvane-helper with a scripted on-device model, for the client tests.
// QV_FAKE_MODEL chooses the model: "answer" (the default) answers with the text
// behind a label, "slow" answers after 3 s, "stall" never gets past warming up
// (so it never reads its input), "exit" quits at once with status 3.
#include "helper/HelperProgram.h"

#include "platform/Platform.h"
#include "support/FakeOnDeviceModel.h"

#include <chrono>

int main(int argc, char* argv[]) {
    const QByteArray behaviour = qgetenv("QV_FAKE_MODEL");
    if (behaviour == "exit")
        return 3;

    FakeOnDeviceModel model;
    model.answer = [](const QString& prompt) {
        return OnDeviceModel::Reply{QStringLiteral("Cleaned transcript: ") + prompt.toUpper(), {}};
    };
    if (behaviour == "slow")
        model.replyDelay = std::chrono::seconds(3);
    if (behaviour == "stall")
        model.prewarmDelay = std::chrono::hours(1);
    Platform services;
    services.onDeviceModel = &model;
    Platform::install(services);

    return Helper::runProcess(argc, argv);
}
