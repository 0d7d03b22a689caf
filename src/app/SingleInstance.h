#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// Keeps one running program per user: a later launch hands its documents to the
// running one (which shows its main window) over a local socket and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance took the request; this one should exit then.
    bool handOver(const QStringList& documents);
    // Becomes the running instance: listens for later launches.
    bool listen();

    static QString defaultName();

signals:
    // A later launch asked to reopen, with the documents it was given.
    void reopened(const QStringList& documents);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};
