#pragma once

#include "platform/PermissionProvider.h"

// Permissions a test grants and takes away. Asking for the microphone answers
// with `microphone` at once unless `holdMicrophoneAnswer` keeps the answer for
// `answerMicrophone`.
class FakePermissions : public PermissionProvider {
public:
    bool microphone = false;
    bool accessibility = false;
    bool holdMicrophoneAnswer = false;
    int microphoneRequests = 0;
    int accessibilityRequests = 0;
    int accessibilityChecks = 0;

    bool microphoneGranted() override { return microphone; }
    void requestMicrophone(std::function<void(bool)> answer) override {
        ++microphoneRequests;
        if (holdMicrophoneAnswer)
            m_pending = std::move(answer);
        else if (answer)
            answer(microphone);
    }
    bool accessibilityGranted() override {
        ++accessibilityChecks;
        return accessibility;
    }
    // Answers at once with `accessibility`.
    void requestAccessibility(std::function<void(bool)> answer) override {
        ++accessibilityRequests;
        if (answer)
            answer(accessibility);
    }

    // Delivers a held microphone answer.
    void answerMicrophone(bool granted) {
        if (auto answer = std::move(m_pending))
            answer(granted);
    }

private:
    std::function<void(bool)> m_pending;
};
