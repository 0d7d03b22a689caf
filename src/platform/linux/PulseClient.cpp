#include "platform/linux/PulseClient.h"

#include <pulse/pulseaudio.h>

#include <QByteArray>
#include <QElapsedTimer>

namespace {

constexpr int kTimeoutMs = 2500;

} // namespace

struct PulseClient::State {
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    bool connected = false;

    // Runs the loop until `done` holds or the time is up.
    template <typename Done> bool runUntil(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            const qint64 left = kTimeoutMs - clock.elapsed();
            if (left <= 0)
                return false;
            if (pa_mainloop_prepare(loop, int(left) * 1000) < 0 || pa_mainloop_poll(loop) < 0
                || pa_mainloop_dispatch(loop) < 0)
                return false;
        }
        return true;
    }

    // Waits for an operation to finish; a failed request gives false.
    bool finish(pa_operation* operation) {
        if (!operation)
            return false;
        const bool finished = runUntil([&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        if (!finished)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return finished;
    }
};

quint32 PulseClient::normalVolume() { return PA_VOLUME_NORM; }

PulseClient::PulseClient() : m_state(new State) {
    m_state->loop = pa_mainloop_new();
    if (!m_state->loop)
        return;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Quorvane");
    m_state->context = pa_context_new_with_proplist(pa_mainloop_get_api(m_state->loop), "Quorvane", properties);
    pa_proplist_free(properties);
    if (!m_state->context || pa_context_connect(m_state->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return;
    pa_context* context = m_state->context;
    m_state->runUntil([context] {
        return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) || pa_context_get_state(context) == PA_CONTEXT_READY;
    });
    m_state->connected = pa_context_get_state(context) == PA_CONTEXT_READY;
}

PulseClient::~PulseClient() {
    if (m_state->context) {
        pa_context_disconnect(m_state->context);
        pa_context_unref(m_state->context);
    }
    if (m_state->loop)
        pa_mainloop_free(m_state->loop);
    delete m_state;
}

bool PulseClient::isConnected() const {
    return m_state->connected && pa_context_get_state(m_state->context) == PA_CONTEXT_READY;
}

std::optional<QString> PulseClient::defaultSinkName() {
    if (!m_state->connected)
        return std::nullopt;
    std::optional<QString> name;
    pa_operation* operation = pa_context_get_server_info(
        m_state->context,
        [](pa_context*, const pa_server_info* info, void* user) {
            if (info && info->default_sink_name)
                *static_cast<std::optional<QString>*>(user) = QString::fromUtf8(info->default_sink_name);
        },
        &name);
    if (!m_state->finish(operation))
        return std::nullopt;
    return name;
}

std::optional<PulseClient::Sink> PulseClient::sink(const QString& name) {
    if (!m_state->connected)
        return std::nullopt;
    std::optional<Sink> found;
    const QByteArray key = name.toUtf8();
    pa_operation* operation = pa_context_get_sink_info_by_name(
        m_state->context, key.constData(),
        [](pa_context*, const pa_sink_info* info, int eol, void* user) {
            if (eol || !info)
                return;
            Sink sink;
            sink.name = QString::fromUtf8(info->name ? info->name : "");
            for (int c = 0; c < info->volume.channels; ++c)
                sink.volume << info->volume.values[c];
            *static_cast<std::optional<Sink>*>(user) = sink;
        },
        &found);
    if (!m_state->finish(operation))
        return std::nullopt;
    return found;
}

bool PulseClient::setSinkVolume(const QString& name, const QList<quint32>& volume) {
    if (!m_state->connected || volume.isEmpty() || volume.size() > PA_CHANNELS_MAX)
        return false;
    pa_cvolume levels;
    pa_cvolume_init(&levels);
    levels.channels = quint8(volume.size());
    for (int c = 0; c < volume.size(); ++c)
        levels.values[c] = std::min<quint32>(volume[c], PA_VOLUME_MAX);
    int succeeded = 0;
    const QByteArray key = name.toUtf8();
    pa_operation* operation = pa_context_set_sink_volume_by_name(
        m_state->context, key.constData(), &levels,
        [](pa_context*, int success, void* user) { *static_cast<int*>(user) = success; }, &succeeded);
    return m_state->finish(operation) && succeeded;
}
