#pragma once

#include <QList>
#include <QString>

#include <optional>

// A synchronous conversation with the PulseAudio server (or PipeWire's
// PulseAudio service) about its outputs: connects when made, asks on each
// call, disconnects when destroyed. Every call gives up after a couple of
// seconds rather than hang the caller, which is never the GUI thread. Keeps
// libpulse out of the headers the rest of the program includes.
class PulseClient {
public:
    struct Source {
        quint32 index = 0;
        QString name;
        QString description;
        int channels = 0;
        bool isMonitor = false;
    };
    struct Sink {
        QString name;
        QList<quint32> volume; // per channel, in the server's raw volume units
    };

    // The server's raw volume of a device at 100 %.
    static quint32 normalVolume();

    PulseClient();
    ~PulseClient();
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;

    // Connected, and no call has found the connection lost since.
    bool isConnected() const;
    std::optional<QString> defaultSinkName();
    std::optional<Sink> sink(const QString& name);
    bool setSinkVolume(const QString& name, const QList<quint32>& volume);

private:
    struct State;
    State* m_state;
};
