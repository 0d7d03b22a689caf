#pragma once

#include <QString>

#include <memory>
#include <optional>

// The operating system's own on-device language model, as the helper program
// uses it: ask whether one is usable, open a session with fixed instructions,
// warm it up before the prompt is known, and ask it for one reply. Calls block;
// the helper is a one-shot command-line program.
class OnDeviceModel {
public:
    struct Availability {
        bool available = false;
        // Why the model cannot be used (empty when available), e.g. "noSystemModel".
        QString reason;
    };

    struct Reply {
        std::optional<QString> text;
        // The model's own description of a failure; meaningful when `text` is absent.
        QString error;
    };

    class Session {
    public:
        virtual ~Session() = default;
        // Loads what the model needs so the first reply comes sooner.
        virtual void prewarm() = 0;
        virtual Reply respond(const QString& prompt) = 0;
    };

    virtual ~OnDeviceModel() = default;
    virtual Availability availability() = 0;
    // A session under `instructions`; none when no model is available.
    virtual std::unique_ptr<Session> makeSession(const QString& instructions) = 0;
};
