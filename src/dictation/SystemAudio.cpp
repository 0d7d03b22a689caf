#include "dictation/SystemAudio.h"

#include "platform/Platform.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QThreadPool>

#include <algorithm>

namespace {

constexpr double kSilent = 0.001;
const QString kChannelsKey = QStringLiteral("channels");
const QString kDeviceKey = QStringLiteral("device");

double loudest(const OutputVolume::ChannelVolumes& volumes) {
    return volumes.isEmpty() ? 0.0 : *std::max_element(volumes.begin(), volumes.end());
}

// Whether the sound server answers but no longer knows `device`: it has been
// unplugged. A server that does not answer at all says nothing about it.
bool isGone(OutputVolume& output, const QString& device) {
    return !output.volume(device) && output.defaultOutputDevice();
}

} // namespace

SystemAudio::SystemAudio(OutputVolume* volume, Defaults* defaults, QString recordPath, QThreadPool* worker)
    : m_volume(volume), m_defaults(defaults), m_recordPath(std::move(recordPath)), m_worker(worker) {}

void SystemAudio::run(std::function<void()> work) {
    if (m_worker)
        m_worker->start(std::move(work));
    else
        work();
}

void SystemAudio::finishPending() {
    if (m_worker)
        m_worker->waitForDone();
}

OutputVolume* SystemAudio::volume() const { return m_volume ? m_volume : Platform::current().outputVolume; }

void SystemAudio::duck() {
    const Defaults& defaults = m_defaults ? *m_defaults : Defaults::shared();
    if (DictationSettings::readBool(defaults, DictationSettings::kPauseAudio))
        run([this] { duckNow(); });
}

void SystemAudio::duckNow() {
    OutputVolume* output = volume();
    if (m_savedVolume || !output)
        return;
    const std::optional<QString> device = output->defaultOutputDevice();
    if (!device)
        return;
    const std::optional<OutputVolume::ChannelVolumes> current = output->volume(*device);
    if (!current || loudest(*current) <= kSilent)
        return;
    m_savedVolume = current;
    m_duckedDevice = *device;
    writeRecord(); // before silencing, so that no run can end silenced without a record
    output->setVolume(*device, OutputVolume::ChannelVolumes(current->size(), 0.0));
}

void SystemAudio::restore() {
    run([this] { restoreNow(); });
}

void SystemAudio::restoreNow() {
    OutputVolume* output = volume();
    if (!m_savedVolume || !output)
        return;
    // An output that refused the volume stays silent: keep it for a later try.
    // One that has gone has nothing left to bring back.
    if (!put(m_duckedDevice, *m_savedVolume) && !isGone(*output, m_duckedDevice))
        return;
    m_savedVolume.reset();
    m_duckedDevice.clear();
    QFile::remove(m_recordPath);
}

void SystemAudio::restoreLeftover() {
    run([this] { restoreLeftoverNow(); });
}

void SystemAudio::restoreLeftoverNow() {
    OutputVolume* output = volume();
    QFile record(m_recordPath);
    if (m_savedVolume || !output || !record.open(QIODevice::ReadOnly))
        return;
    const QJsonObject recorded = QJsonDocument::fromJson(record.readAll()).object();
    record.close();
    const QJsonArray channels = recorded.value(kChannelsKey).toArray();
    OutputVolume::ChannelVolumes saved;
    for (const QJsonValue& channel : channels)
        if (channel.isDouble())
            saved << std::clamp(channel.toDouble(), 0.0, 16.0);
    if (saved.isEmpty()) {
        QFile::remove(m_recordPath);
        return;
    }
    // Records of earlier builds name no device: theirs was the default output.
    const QString named = recorded.value(kDeviceKey).toString();
    const std::optional<QString> device = named.isEmpty() ? output->defaultOutputDevice() : named;
    if (!device)
        return; // tried again at the next launch
    // Only a volume still silenced is ours to bring back; one the user has set since stays.
    const std::optional<OutputVolume::ChannelVolumes> current = output->volume(*device);
    if (!current && !isGone(*output, *device))
        return; // tried again at the next launch
    if (current && loudest(*current) <= kSilent && !put(*device, saved))
        return; // tried again at the next launch
    QFile::remove(m_recordPath);
}

bool SystemAudio::put(const QString& device, const OutputVolume::ChannelVolumes& saved) {
    OutputVolume::ChannelVolumes volumes = saved;
    const std::optional<OutputVolume::ChannelVolumes> current = volume()->volume(device);
    if (current && !current->isEmpty() && current->size() != saved.size())
        volumes = OutputVolume::ChannelVolumes(current->size(), loudest(saved));
    return volume()->setVolume(device, volumes);
}

void SystemAudio::writeRecord() const {
    QJsonArray channels;
    for (const double channel : *m_savedVolume)
        channels.append(channel);
    QSaveFile file(m_recordPath);
    if (!PrivateFiles::open(file, QIODevice::WriteOnly))
        return;
    file.write(QJsonDocument(QJsonObject{{kChannelsKey, channels}, {kDeviceKey, m_duckedDevice}})
                   .toJson(QJsonDocument::Compact));
    file.commit();
}
