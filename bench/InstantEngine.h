#pragma once

#include "engine/MlxServer.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

// An engine folder for the program benches: its interpreter runs the instant
// speech server for the program's server script, and the test engine's
// Python for everything else (the program's check that the engine imports).
// A failing one answers every transcription with a server error, as an
// engine whose model does not load.
class InstantEngine {
public:
    enum class Transcriptions { Answered, Failing };

    explicit InstantEngine(const QString& real, Transcriptions transcriptions = Transcriptions::Answered) {
        const QByteArray failing = transcriptions == Transcriptions::Failing ? " --fail-transcriptions" : "";
        const QString venv = m_folder.path() + QStringLiteral("/mlx-venv");
        QDir().mkpath(venv + QStringLiteral("/bin"));
        QFile::copy(real + QStringLiteral("/mlx-venv/pyvenv.cfg"), venv + QStringLiteral("/pyvenv.cfg"));
        QFile::link(real + QStringLiteral("/models"), m_folder.path() + QStringLiteral("/models"));
        QFile python(venv + QStringLiteral("/bin/python"));
        python.open(QIODevice::WriteOnly);
        python.write("#!/bin/sh\ncase \"$2\" in \"# quorvane engine\"*) shift 2; exec /usr/bin/python3 "
                     + QFile::encodeName(QStringLiteral(QUORVANE_SOURCE_DIR "/bench/instant_speech_server.py"))
                     + failing + " \"$@\" ;; esac\nexec "
                     + QFile::encodeName(real + QStringLiteral("/mlx-venv/bin/python")) + " \"$@\"\n");
        python.close();
        python.setPermissions(python.permissions() | QFile::ExeOwner);
    }
    QString path() const { return m_folder.path(); }

    // Whether the speech server's port is free for the next program.
    static bool portFree() {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost, MlxServer::port);
    }

private:
    QTemporaryDir m_folder;
};
