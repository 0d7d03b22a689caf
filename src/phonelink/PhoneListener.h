#pragma once

#include <QTcpServer>

#include <functional>

// The phone link's listening socket. Accepted connections are handed on as
// plain descriptors, which the receiver owns from then on. GUI thread.
class PhoneListener : public QTcpServer {
    Q_OBJECT
public:
    explicit PhoneListener(std::function<void(int descriptor)> accepted, QObject* parent = nullptr)
        : QTcpServer(parent), m_accepted(std::move(accepted)) {}

protected:
    void incomingConnection(qintptr descriptor) override { m_accepted(int(descriptor)); }

private:
    std::function<void(int)> m_accepted;
};
