#include "platform/linux/AvahiServiceAdvertiser.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTimer>

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/timeval.h>
#include <avahi-common/watch.h>

#include <chrono>

namespace {

Q_LOGGING_CATEGORY(lcAvahi, "quorvane.platform.avahi")

// The instance name when the host has none.
const QString kFallbackName = QStringLiteral("Quorvane");
// How often a client that could not reach the daemon tries again.
constexpr std::chrono::seconds kRetryInterval{2};

} // namespace

// ---- Avahi's poll interface over QSocketNotifier and QTimer.

struct AvahiWatch {
    int fd;
    AvahiWatchCallback callback;
    void* userdata;
    QSocketNotifier* read;
    QSocketNotifier* write;
    AvahiWatchEvent happened = AvahiWatchEvent(0);
};

struct AvahiTimeout {
    QTimer* timer;
    AvahiTimeoutCallback callback;
    void* userdata;
};

namespace {

void watchUpdate(AvahiWatch* watch, AvahiWatchEvent events) {
    watch->read->setEnabled(events & AVAHI_WATCH_IN);
    watch->write->setEnabled(events & AVAHI_WATCH_OUT);
}

AvahiWatch* watchNew(const AvahiPoll*, int fd, AvahiWatchEvent events, AvahiWatchCallback callback, void* userdata) {
    auto* watch = new AvahiWatch{fd, callback, userdata, new QSocketNotifier(fd, QSocketNotifier::Read),
                                 new QSocketNotifier(fd, QSocketNotifier::Write)};
    const auto fire = [watch](AvahiWatchEvent event) {
        watch->happened = event;
        watch->callback(watch, watch->fd, event, watch->userdata);
    };
    QObject::connect(watch->read, &QSocketNotifier::activated, watch->read, [fire] { fire(AVAHI_WATCH_IN); });
    QObject::connect(watch->write, &QSocketNotifier::activated, watch->write, [fire] { fire(AVAHI_WATCH_OUT); });
    watchUpdate(watch, events);
    return watch;
}

AvahiWatchEvent watchEvents(AvahiWatch* watch) { return watch->happened; }

void watchFree(AvahiWatch* watch) {
    // Avahi may free a watch from inside its own callback: the notifiers go later.
    watch->read->setEnabled(false);
    watch->write->setEnabled(false);
    watch->read->deleteLater();
    watch->write->deleteLater();
    delete watch;
}

void timeoutUpdate(AvahiTimeout* timeout, const struct timeval* when) {
    if (!when) {
        timeout->timer->stop();
        return;
    }
    const AvahiUsec left = avahi_age(when) * -1;
    timeout->timer->start(std::chrono::milliseconds(left > 0 ? (left + 999) / 1000 : 0));
}

AvahiTimeout* timeoutNew(const AvahiPoll*, const struct timeval* when, AvahiTimeoutCallback callback, void* userdata) {
    auto* timeout = new AvahiTimeout{new QTimer, callback, userdata};
    timeout->timer->setSingleShot(true);
    QObject::connect(timeout->timer, &QTimer::timeout, timeout->timer,
                     [timeout] { timeout->callback(timeout, timeout->userdata); });
    timeoutUpdate(timeout, when);
    return timeout;
}

void timeoutFree(AvahiTimeout* timeout) {
    timeout->timer->stop();
    timeout->timer->deleteLater();
    delete timeout;
}

const AvahiPoll kQtPoll = {nullptr,   watchNew,   watchUpdate,   watchEvents,
                           watchFree, timeoutNew, timeoutUpdate, timeoutFree};

} // namespace

// ---- The advertiser.

struct AvahiServiceAdvertiser::State {
    AvahiServiceAdvertiser* owner = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
    QByteArray type;
    quint16 port = 0;
    bool wanted = false;
    bool established = false;
    QString name;
    std::optional<QString> error;

    void changed() { emit owner->stateChanged(); }

    void setError(std::optional<QString> text) {
        // Retries while the daemon is away repeat the same error: say it once.
        if (text && text != error)
            qCInfo(lcAvahi) << "service announcement:" << *text;
        error = std::move(text);
        changed();
    }

    void connectClient() {
        int failure = 0;
        // No-fail: without a daemon the client waits for one instead of failing;
        // where even that fails, we try again a little later.
        client = avahi_client_new(&kQtPoll, AVAHI_CLIENT_NO_FAIL, onClient, this, &failure);
        if (!client) {
            setError(QString::fromUtf8(avahi_strerror(failure)));
            retryLater();
        }
    }

    void retryLater() {
        QTimer::singleShot(kRetryInterval, owner, [this] {
            if (wanted && !client)
                connectClient();
        });
    }

    void dropClient() {
        group = nullptr; // freed with its client
        if (client)
            avahi_client_free(client);
        client = nullptr;
        established = false;
    }

    void publish(AvahiClient* c) {
        if (!wanted)
            return;
        if (name.isEmpty()) {
            const char* host = avahi_client_get_host_name(c);
            name = host && *host ? QString::fromUtf8(host) : QSysInfo::machineHostName();
            if (name.isEmpty())
                name = kFallbackName;
        }
        if (!group)
            group = avahi_entry_group_new(c, onGroup, this);
        if (!group) {
            setError(QString::fromUtf8(avahi_strerror(avahi_client_errno(c))));
            return;
        }
        avahi_entry_group_reset(group);
        for (;;) {
            const int result = avahi_entry_group_add_service(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                             AvahiPublishFlags(0), name.toUtf8().constData(),
                                                             type.constData(), nullptr, nullptr, port, nullptr);
            if (result == AVAHI_ERR_COLLISION) {
                takeAlternativeName();
                continue;
            }
            if (result < 0 || avahi_entry_group_commit(group) < 0) {
                setError(QString::fromUtf8(avahi_strerror(result < 0 ? result : avahi_client_errno(c))));
                return;
            }
            return;
        }
    }

    void takeAlternativeName() {
        char* next = avahi_alternative_service_name(name.toUtf8().constData());
        name = QString::fromUtf8(next);
        avahi_free(next);
    }

    static void onClient(AvahiClient* c, AvahiClientState state, void* userdata) {
        auto* self = static_cast<State*>(userdata);
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->publish(c);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host name changes: announce again once the server runs.
            if (self->group)
                avahi_entry_group_reset(self->group);
            self->established = false;
            self->changed();
            break;
        case AVAHI_CLIENT_CONNECTING:
            self->established = false;
            self->setError(QStringLiteral("The service discovery daemon (avahi-daemon) is not running."));
            break;
        case AVAHI_CLIENT_FAILURE:
            self->setError(QString::fromUtf8(avahi_strerror(avahi_client_errno(c))));
            // The daemon went away: start over and wait for it to return. Not
            // from inside the client's own callback.
            QTimer::singleShot(0, self->owner, [self] {
                self->dropClient();
                self->changed();
                self->retryLater();
            });
            break;
        }
    }

    static void onGroup(AvahiEntryGroup* g, AvahiEntryGroupState state, void* userdata) {
        auto* self = static_cast<State*>(userdata);
        if (g != self->group && self->group)
            return;
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED:
            self->established = true;
            self->setError(std::nullopt);
            break;
        case AVAHI_ENTRY_GROUP_COLLISION:
            self->established = false;
            self->takeAlternativeName();
            qCInfo(lcAvahi) << "service name taken; now" << self->name;
            QTimer::singleShot(0, self->owner, [self] {
                if (self->client && self->wanted)
                    self->publish(self->client);
            });
            break;
        case AVAHI_ENTRY_GROUP_FAILURE:
            self->established = false;
            self->setError(QString::fromUtf8(avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(g)))));
            break;
        case AVAHI_ENTRY_GROUP_UNCOMMITED:
        case AVAHI_ENTRY_GROUP_REGISTERING:
            break;
        }
    }
};

AvahiServiceAdvertiser::AvahiServiceAdvertiser(QObject* parent)
    : ServiceAdvertiser(parent), m_state(std::make_unique<State>()) {
    m_state->owner = this;
}

AvahiServiceAdvertiser::~AvahiServiceAdvertiser() { m_state->dropClient(); }

void AvahiServiceAdvertiser::advertise(const QString& type, quint16 port) {
    m_state->type = type.toUtf8();
    m_state->port = port;
    m_state->wanted = true;
    if (!m_state->client) {
        m_state->connectClient();
    } else if (avahi_client_get_state(m_state->client) == AVAHI_CLIENT_S_RUNNING) {
        m_state->publish(m_state->client);
    }
}

void AvahiServiceAdvertiser::withdraw() {
    m_state->wanted = false;
    m_state->dropClient();
    m_state->error.reset();
    m_state->changed();
}

bool AvahiServiceAdvertiser::isAdvertised() const { return m_state->established; }

QString AvahiServiceAdvertiser::serviceName() const { return m_state->established ? m_state->name : QString(); }

std::optional<QString> AvahiServiceAdvertiser::lastError() const { return m_state->error; }
