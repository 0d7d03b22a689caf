#pragma once

#include <QObject>
#include <QString>

#include <optional>

// Announces a TCP service on the local network (DNS service discovery), under
// the host's name. Keeps trying while the discovery daemon is absent and
// announces again when it returns; takes another name when the name is taken.
// GUI thread only.
class ServiceAdvertiser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts announcing `type` ("_quorvane._tcp") on `port`, replacing any earlier announcement.
    virtual void advertise(const QString& type, quint16 port) = 0;
    // Stops announcing.
    virtual void withdraw() = 0;
    // Whether the announcement is established now.
    virtual bool isAdvertised() const = 0;
    // The name the service is announced under; empty while not announced.
    virtual QString serviceName() const = 0;
    // Why the service is not announced; none while it is, or while nothing is asked.
    virtual std::optional<QString> lastError() const = 0;

signals:
    void stateChanged();
};
