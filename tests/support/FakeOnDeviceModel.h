#pragma once

#include "platform/OnDeviceModel.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <thread>

// An on-device model whose availability, answers and timing a test chooses.
// By default it is available and answers the prompt unchanged.
class FakeOnDeviceModel : public OnDeviceModel {
public:
    bool available = true;
    QString reason = QStringLiteral("modelNotReady");
    // The reply for a prompt; the default echoes it.
    std::function<Reply(const QString&)> answer = [](const QString& prompt) { return Reply{prompt, {}}; };
    // Time spent in prewarm and in each reply.
    std::chrono::milliseconds prewarmDelay{0};
    std::chrono::milliseconds replyDelay{0};

    // What the helper asked of it.
    QStringList instructions;
    QStringList prompts;
    int prewarms = 0;

    Availability availability() override { return {available, available ? QString() : reason}; }

    std::unique_ptr<Session> makeSession(const QString& sessionInstructions) override {
        if (!available)
            return nullptr;
        instructions.append(sessionInstructions);
        return std::make_unique<FakeSession>(*this);
    }

private:
    class FakeSession : public Session {
    public:
        explicit FakeSession(FakeOnDeviceModel& model) : m_model(model) {}
        void prewarm() override {
            ++m_model.prewarms;
            std::this_thread::sleep_for(m_model.prewarmDelay);
        }
        Reply respond(const QString& prompt) override {
            m_model.prompts.append(prompt);
            std::this_thread::sleep_for(m_model.replyDelay);
            return m_model.answer(prompt);
        }

    private:
        FakeOnDeviceModel& m_model;
    };
};
