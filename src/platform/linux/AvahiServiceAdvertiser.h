#pragma once

#include "platform/ServiceAdvertiser.h"

#include <memory>

// Announces the service through the Avahi daemon (libavahi-client), driven by
// the Qt event loop. While the daemon is absent it reports why and waits; when
// the daemon (re)appears it announces again. A name already taken on the
// network is replaced by Avahi's next alternative ("name #2"). GUI thread only.
class AvahiServiceAdvertiser : public ServiceAdvertiser {
    Q_OBJECT
public:
    explicit AvahiServiceAdvertiser(QObject* parent = nullptr);
    ~AvahiServiceAdvertiser() override;

    void advertise(const QString& type, quint16 port) override;
    void withdraw() override;
    bool isAdvertised() const override;
    QString serviceName() const override;
    std::optional<QString> lastError() const override;

    struct State;

private:
    std::unique_ptr<State> m_state;
};
