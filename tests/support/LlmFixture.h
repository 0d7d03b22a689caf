#pragma once

#include "engine/EngineKey.h"
#include "support/PortLock.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <memory>

// The stand-in chat-completions server of tests/support/llm_fixture: where it is,
// what it should answer (rewritten at any time), and the requests it received.
// Constructing it points PYTHONPATH and the fixture's variables at it, so a
// server launched by the code under test uses it too; `start` runs one directly.
// It holds the model server's port for its whole life: a test in another
// process would otherwise find this server there, keep it as its own and send
// it requests of its own.
class LlmFixture {
public:
    LlmFixture() {
        qputenv("PYTHONPATH", folder().toUtf8());
        qputenv("LLM_FIXTURE_CONFIG", m_files.file("fixture.json").toUtf8());
        qputenv("LLM_FIXTURE_LOG", m_files.file("requests.log").toUtf8());
        script({});
    }
    ~LlmFixture() {
        stop();
        qunsetenv("LLM_FIXTURE_CONFIG");
        qunsetenv("LLM_FIXTURE_LOG");
    }
    static constexpr quint16 kPort = 50062;

    LlmFixture(const LlmFixture&) = delete;
    LlmFixture& operator=(const LlmFixture&) = delete;

    static QString folder() { return QStringLiteral(QUORVANE_TEST_SOURCE "/support/llm_fixture"); }

    // Keys as described in llm_fixture/mlx_lm/__init__.py.
    void script(const QJsonObject& config) const { m_files.write("fixture.json", QJsonDocument(config).toJson()); }

    // Every logged request to `path` ("/v1/models", "/v1/chat/completions").
    QList<QJsonObject> requests(const QString& path) const {
        QList<QJsonObject> found;
        for (const QByteArray& line : m_files.read("requests.log").split('\n')) {
            const QJsonObject entry = QJsonDocument::fromJson(line).object();
            if (entry.value("path").toString() == path)
                found.append(entry);
        }
        return found;
    }

    // Runs the server on 127.0.0.1:`port` for `model` with `python`, under the
    // program's guard taking requests with `key`, and waits until it listens.
    // A server still going away from an earlier test is waited for first, so
    // the one that answers is this one.
    bool start(const QString& model, const QString& python = QStringLiteral("/usr/bin/python3"), quint16 port = kPort,
               const QByteArray& key = EngineKey::value()) {
        if (!QTest::qWaitFor([port] { return !listening(port); }, 10000))
            return false;
        QFile guard(QStringLiteral(QUORVANE_TEST_SOURCE "/../resources/engine/model-server-guard.py"));
        if (!guard.open(QIODevice::ReadOnly))
            return false;
        m_process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(EngineKey::kVariable), QString::fromLatin1(key));
        m_process->setProcessEnvironment(environment);
        m_process->start(python, {"-c", QString::fromUtf8(guard.readAll()), "-m", "mlx_lm", "server", "--model", model,
                                  "--host", "127.0.0.1", "--port", QString::number(port)});
        if (!m_process->waitForStarted())
            return false;
        return QTest::qWaitFor([port] { return listening(port); }, 30000) && running();
    }

    static bool listening(quint16 port) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return socket.waitForConnected(200);
    }

    bool running() const { return m_process && m_process->state() == QProcess::Running; }

    void stop() {
        if (!m_process)
            return;
        m_process->kill();
        m_process->waitForFinished(3000);
        m_process.reset();
    }

private:
    PortLock m_port{kPort};
    TempFolder m_files;
    std::unique_ptr<QProcess> m_process;
};
