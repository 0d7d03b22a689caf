#pragma once

#include "platform/OnDeviceModel.h"

// Linux ships no system language model: the model is never available and no
// session can be opened.
class LinuxOnDeviceModel : public OnDeviceModel {
public:
    Availability availability() override;
    std::unique_ptr<Session> makeSession(const QString& instructions) override;
};
