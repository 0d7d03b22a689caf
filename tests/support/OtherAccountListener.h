#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTest>

#include <grp.h>
#include <unistd.h>

// A listener that another account of this computer runs: Debian's Python as
// the account "nobody" (uid 65534), bound to a loopback address, answering
// every request with HTTP 200 and a transcript, and recording every byte it
// receives. Only a test running as root can start one (canStart()).
class OtherAccountListener {
public:
    static constexpr quint32 kAccount = 65534;

    OtherAccountListener() {
        m_process.setWorkingDirectory(QStringLiteral("/"));
        m_process.setChildProcessModifier([] {
            // Past this point the child is another account, or it ends.
            if (::setgroups(0, nullptr) != 0 || ::setgid(kAccount) != 0 || ::setuid(kAccount) != 0)
                ::_exit(126);
        });
    }
    ~OtherAccountListener() { stop(); }
    OtherAccountListener(const OtherAccountListener&) = delete;
    OtherAccountListener& operator=(const OtherAccountListener&) = delete;

    static bool canStart() { return ::geteuid() == 0; }

    // Listens on `host`:`port` (0: a free port) and returns the port, 0 when it
    // did not start.
    quint16 start(const QString& host, quint16 port) {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-c"), QString::fromLatin1(kProgram), host, QString::number(port)});
        if (!m_process.waitForReadyRead(10000))
            return 0;
        return quint16(m_process.readLine().trimmed().toUInt());
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 processId() const { return m_process.processId(); }
    // Every byte received so far, in order.
    QByteArray received() {
        QTest::qWait(200);
        for (const QByteArray& line : m_process.readAllStandardOutput().split('\n'))
            m_received += QByteArray::fromHex(line);
        return m_received;
    }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    static constexpr char kProgram[] = R"(
import socket, sys, threading
host, port = sys.argv[1], int(sys.argv[2])
s = socket.socket(socket.AF_INET6 if ":" in host else socket.AF_INET)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind((host, port))
s.listen(16)
print(s.getsockname()[1], flush=True)
lock = threading.Lock()
def serve(c):
    c.settimeout(2)
    answered = False
    data = b""
    try:
        while True:
            chunk = c.recv(65536)
            if not chunk:
                break
            with lock:
                sys.stdout.write(chunk.hex() + "\n")
                sys.stdout.flush()
            data += chunk
            if not answered and b"\r\n\r\n" in data:
                body = b'{"text":"typed by another account","data":[]}'
                c.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                          + str(len(body)).encode() + b"\r\n\r\n" + body)
                answered = True
    except OSError:
        pass
    c.close()
while True:
    c, _ = s.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
)";

    QProcess m_process;
    QByteArray m_received;
};
