// quorvane-helper: one sub-command per run (see HelperProgram.h).
#include "helper/HelperProgram.h"

#include "platform/Platform.h"
#include "platform/linux/LinuxOnDeviceModel.h"

int main(int argc, char* argv[]) {
    LinuxOnDeviceModel model;
    Platform services;
    services.onDeviceModel = &model;
    Platform::install(services);
    return Helper::runProcess(argc, argv);
}
