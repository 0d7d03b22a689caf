#pragma once

#include <QList>
#include <QString>

#include <optional>

class AudioInput;

// Chooses the microphone a take is captured from and names it for the trace
// log. Device identifiers are the audio system's 32-bit device numbers. The
// overloads without an AudioInput use the platform's.
namespace AudioInputDevice {

// Every input device; empty on any failure.
QList<quint32> allDevices();
QList<quint32> allDevices(AudioInput& input);
// The default input when it has an input channel, else the first device that
// has one; none when no device can capture.
std::optional<quint32> best();
std::optional<quint32> best(AudioInput& input);
// The device's name, or "unknown".
QString name(quint32 device);
QString name(AudioInput& input, quint32 device);

} // namespace AudioInputDevice
