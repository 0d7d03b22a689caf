#pragma once

#include "support/TempFolder.h"

#include <QByteArray>
#include <QProcess>
#include <QtTest/QTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <thread>
#include <unistd.h>

// Writes 16 kHz s16le PCM into the desktop harness's microphone FIFO
// (QV_TEST_MIC_FIFO) on its own thread.
class MicrophoneFeed {
public:
    // Gives up when the source has read nothing for five seconds, so a
    // harness whose microphone stopped being read fails instead of hanging.
    static void write(const QByteArray& pcm) {
        const QByteArray fifo = qgetenv("QV_TEST_MIC_FIFO");
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            return;
        for (qsizetype done = 0; done < pcm.size();) {
            const ssize_t n = ::write(fd, pcm.constData() + done, size_t(pcm.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            pollfd writable{fd, POLLOUT, 0};
            if ((n < 0 && errno != EAGAIN) || ::poll(&writable, 1, 5000) <= 0)
                break;
        }
        ::close(fd);
    }
    // Feeds `pcm`, then silence in real time until `enough` holds (to push the
    // source's last fragment through), at most for ten seconds.
    void feed(const QByteArray& pcm, std::function<bool()> enough) {
        m_writer = std::thread([this, pcm, enough] {
            write(pcm);
            for (int i = 0; i < 200 && !m_stop && !enough(); ++i) {
                write(QByteArray(1600, '\0')); // 50 ms
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    // Feeds `pcm` and then silence until `heard` holds, waiting at most
    // `timeoutMs`; whether it came to hold.
    static bool speak(const QByteArray& pcm, const std::function<bool()>& heard, int timeoutMs = 20000) {
        MicrophoneFeed feed;
        feed.feed(pcm, heard);
        return QTest::qWaitFor(heard, timeoutMs);
    }
    ~MicrophoneFeed() {
        m_stop = true;
        if (m_writer.joinable())
            m_writer.join();
    }

    // `sentence` spoken by one of flite's 16 kHz voices ("slt", "awb", "rms",
    // which the stand-in recogniser understands), as s16le PCM; empty when
    // flite failed.
    static QByteArray spokenPcm(const TempFolder& folder, const QString& sentence,
                                const QString& voice = QStringLiteral("slt")) {
        const QString wav = folder.file(QStringLiteral("speech.wav"));
        QProcess flite;
        flite.start(QStringLiteral("flite"),
                    {QStringLiteral("-voice"), voice, QStringLiteral("-t"), sentence, QStringLiteral("-o"), wav});
        if (!flite.waitForFinished(30000) || flite.exitCode() != 0)
            return {};
        const QByteArray file = folder.read(QStringLiteral("speech.wav"));
        const qsizetype data = file.indexOf("data");
        return data < 0 ? QByteArray() : file.mid(data + 8);
    }

private:
    std::thread m_writer;
    std::atomic<bool> m_stop = false;
};
