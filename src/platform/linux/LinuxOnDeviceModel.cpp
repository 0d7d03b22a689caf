#include "platform/linux/LinuxOnDeviceModel.h"

OnDeviceModel::Availability LinuxOnDeviceModel::availability() { return {false, QStringLiteral("noSystemModel")}; }

std::unique_ptr<OnDeviceModel::Session> LinuxOnDeviceModel::makeSession(const QString&) { return nullptr; }
