#include "platform/linux/PulseSourceWatch.h"

#include <pulse/pulseaudio.h>

#include <QMutex>
#include <QMutexLocker>

struct PulseSourceWatch::State {
    pa_threaded_mainloop* loop = nullptr;
    pa_proplist* properties = nullptr;
    pa_context* context = nullptr;
    // The next connection's wait, while the server is gone.
    pa_time_event* retry = nullptr;

    mutable QMutex lock;
    std::optional<Snapshot> current;
    // The answer being gathered. One context answers in the order it was
    // asked, so the server's names come before the list that follows them.
    Snapshot gathering;

    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(loop); }

    // A new connection in place of the last one. Before the loop runs, then
    // on libpulse's thread, never inside a callback of the context it ends.
    void connect() {
        forget();
        gathering = {};
        context = pa_context_new_with_proplist(api(), "Quorvane", properties);
        if (!context) {
            retryLater();
            return;
        }
        pa_context_set_state_callback(context, &State::onState, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            retryLater();
    }

    void forget() {
        if (!context)
            return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    // A lost or refused connection is made again after a while: the server
    // may be restarting.
    void retryLater() {
        if (retry)
            return;
        timeval at{};
        pa_timeval_add(pa_gettimeofday(&at), pa_usec_t(kRetryDelay.count()) * PA_USEC_PER_MSEC);
        retry = api()->time_new(api(), &at, &State::onRetry, this);
    }

    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* user) {
        auto* state = static_cast<State*>(user);
        api->time_free(event);
        state->retry = nullptr;
        state->connect();
    }

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
            {
                const QMutexLocker locker(&state->lock);
                state->current.reset();
            }
            state->retryLater();
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
    m_state->properties = pa_proplist_new();
    pa_proplist_sets(m_state->properties, PA_PROP_APPLICATION_NAME, "Quorvane");
    m_state->connect();
    pa_threaded_mainloop_start(m_state->loop);
}

PulseSourceWatch::~PulseSourceWatch() {
    if (!m_state->loop)
        return;
    pa_threaded_mainloop_stop(m_state->loop);
    if (m_state->retry)
        m_state->api()->time_free(m_state->retry);
    m_state->forget();
    pa_threaded_mainloop_free(m_state->loop);
    pa_proplist_free(m_state->properties);
}

std::optional<PulseSourceWatch::Snapshot> PulseSourceWatch::snapshot() const {
    const QMutexLocker locker(&m_state->lock);
    return m_state->current;
}
