#pragma once

#include <QObject>
#include <QStringList>

#include <chrono>

class QLocalServer;

// Keeps one running program per user: a later launch hands its documents to the
// running one (which shows its main window) over a local socket and exits.
// Launches at the same moment take turns through a lock file beside the socket,
// so exactly one of them runs. The socket and the lock live in a folder only
// the user may enter ($XDG_RUNTIME_DIR), never under a name another user could
// take first in the shared temporary folder. GUI thread of its owner.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        Running,    // this one is the running instance and listens for later launches
        HandedOver, // another instance took the request; this one should exit
        Failed,     // neither: nobody could be reached and the socket could not be made
    };

    // How long a launch waits for another one that is claiming at the same moment.
    static constexpr std::chrono::milliseconds kTurnWait{5000};
    // How long a launch waits for the running instance to take its connection.
    static constexpr std::chrono::milliseconds kConnectWait{500};
    static constexpr std::chrono::milliseconds kWriteWait{1000};

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands `documents` to the running instance, or becomes it.
    Claim claim(const QStringList& documents);
    // True when another instance took the request; this one should exit then.
    bool handOver(const QStringList& documents);
    // Becomes the running instance: listens for later launches. False when
    // another instance answers on the name (its socket is left alone) or the
    // socket cannot be made; a socket nobody answers on is replaced.
    bool listen();

    // Stops listening, at the start of a quit: a launch from then on runs
    // by itself rather than handing over to a program on its way out.
    void close();

    // The socket's path in privateFolder(); empty when there is none.
    static QString defaultName();
    // $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user's
    // that nobody else may enter; without one, a folder of the user's own in
    // the temporary folder, made with mode 0700. Empty when neither can be had
    // (a folder of that name that belongs to someone else is never used).
    static QString privateFolder();

signals:
    // A later launch asked to reopen, with the documents it was given.
    void reopened(const QStringList& documents);

private:
    bool someoneAnswers() const;
    void serve();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
