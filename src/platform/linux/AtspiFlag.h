#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <functional>

// The session's accessibility flag (org.a11y.Status IsEnabled on the session
// bus), kept in a cache that asynchronous reads and the flag's change signal
// refresh, so asking never waits for the bus. The cache may be read from any
// thread; the bus is asked from this object's thread only.
class AtspiFlag : public QObject {
    Q_OBJECT
public:
    // `bus` is where the flag lives (tests pass a private one).
    explicit AtspiFlag(const QDBusConnection& bus);

    // The flag as last heard, false until the first answer; starts a refresh.
    bool isOn();
    // Sets the flag on the bus without waiting, then reads it back: the flag
    // as read back is both the answer and the new `isOn`.
    void turnOn(std::function<void(bool on)> answered);

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    // Asks the bus for the flag unless a question is already out, or in any
    // case with `answered`, which is called with what the bus said.
    void refresh(std::function<void(bool on)> answered = {});

    QDBusConnection m_bus;
    std::atomic<bool> m_enabled{false};
    bool m_refreshing = false;
    // Bumped by each change this program makes, so that an answer to a
    // question asked before it is not taken for the new state.
    quint64 m_localChanges = 0;
};
