#include "platform/linux/PulseSourceWatch.h"

#include <pulse/pulseaudio.h>

#include <QMutex>
#include <QMutexLocker>

struct PulseSourceWatch::State {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;

    mutable QMutex lock;
    std::optional<Snapshot> current;
    // The answer being gathered. One context answers in the order it was
    // asked, so the server's names come before the list that follows them.
    Snapshot gathering;

    // libpulse's thread from here on.
    void ask() {
        if (pa_operation* names = pa_context_get_server_info(context, &State::onServerInfo, this))
            pa_operation_unref(names);
        if (pa_operation* list = pa_context_get_source_info_list(context, &State::onSource, this))
            pa_operation_unref(list);
    }

    static void onState(pa_context* context, void* user) {
        auto* state = static_cast<State*>(user);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(context, &State::onChange, state);
            if (pa_operation* subscribed = pa_context_subscribe(
                    context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER), nullptr,
                    nullptr))
                pa_operation_unref(subscribed);
            state->ask();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED: {
            const QMutexLocker locker(&state->lock);
            state->current.reset();
            break;
        }
        default:
            break;
        }
    }

    static void onChange(pa_context*, pa_subscription_event_type_t, uint32_t, void* user) {
        static_cast<State*>(user)->ask();
    }

    static void onServerInfo(pa_context*, const pa_server_info* info, void* user) {
        auto* state = static_cast<State*>(user);
        state->gathering.defaultSource.reset();
        if (info && info->default_source_name)
            state->gathering.defaultSource = QString::fromUtf8(info->default_source_name);
    }

    static void onSource(pa_context*, const pa_source_info* info, int eol, void* user) {
        auto* state = static_cast<State*>(user);
        if (eol) {
            Snapshot done = std::exchange(state->gathering, {});
            if (eol > 0) {
                const QMutexLocker locker(&state->lock);
                state->current = std::move(done);
            }
            return;
        }
        PulseClient::Source source;
        source.index = info->index;
        source.name = QString::fromUtf8(info->name ? info->name : "");
        source.description = QString::fromUtf8(info->description ? info->description : "");
        source.channels = info->sample_spec.channels;
        source.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
        state->gathering.sources.append(source);
    }
};

PulseSourceWatch::PulseSourceWatch() : m_state(std::make_unique<State>()) {
    m_state->loop = pa_threaded_mainloop_new();
    if (!m_state->loop)
        return;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Quorvane");
    m_state->context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_state->loop), "Quorvane", properties);
    pa_proplist_free(properties);
    if (!m_state->context)
        return;
    pa_context_set_state_callback(m_state->context, &State::onState, m_state.get());
    if (pa_context_connect(m_state->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return;
    pa_threaded_mainloop_start(m_state->loop);
}

PulseSourceWatch::~PulseSourceWatch() {
    if (m_state->loop)
        pa_threaded_mainloop_stop(m_state->loop);
    if (m_state->context) {
        pa_context_set_state_callback(m_state->context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_state->context, nullptr, nullptr);
        pa_context_disconnect(m_state->context);
        pa_context_unref(m_state->context);
    }
    if (m_state->loop)
        pa_threaded_mainloop_free(m_state->loop);
}

std::optional<PulseSourceWatch::Snapshot> PulseSourceWatch::snapshot() const {
    const QMutexLocker locker(&m_state->lock);
    return m_state->current;
}
