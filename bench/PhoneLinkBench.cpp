// The phone link's own time: from the last byte of a 100-note frame to the
// receipt at the phone (the polish pass excluded), and decoding a 4 MiB batch.
// And how long another device on the network can lock every phone out by
// holding connections open: the time from the attack to a phone's receipt.
#include "BenchInbox.h"
#include "BenchRun.h"
#include "phonelink/FrameReader.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "phonelink/PhoneNoteCodec.h"
#include "support/PhoneClient.h"

#include <QCoreApplication>
#include <QFuture>
#include <QtConcurrent>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

constexpr int kNotesPerFrame = 100;
constexpr qsizetype kLargeBatch = 4 * 1024 * 1024;

// Sends `frame` and answers the time from its last byte to the whole receipt.
std::chrono::nanoseconds timeToReceipt(quint16 port, const QByteArray& frame) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return {};
    }
    qsizetype sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    const auto lastByte = std::chrono::steady_clock::now();
    QByteArray receipt;
    char chunk[256];
    for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
        receipt.append(chunk, n);
    const auto received = std::chrono::steady_clock::now();
    ::close(fd);
    return receipt.size() > 4 ? received - lastByte : std::chrono::nanoseconds{};
}

void FrameToReceipt100Notes(benchmark::State& state) {
    BenchInbox phones(QStringLiteral("bench-phone"));
    PhoneInbox& inbox = phones.inbox;
    // The bench sends far more batches a minute than one phone may: the rate
    // limits of its address and its network would close all but the first
    // sixty unread.
    PhoneLink::Limits limits;
    limits.maxBatchesPerPeer = 1000;
    limits.maxBatchesPerPrefix = 1000;
    PhoneLink link(inbox, nullptr, QHostAddress::LocalHost, limits);
    link.start();
    std::vector<double> times;
    for (auto _ : state) {
        const QByteArray frame = PhoneClient::frame(PhoneClient::batch(kNotesPerFrame, QStringLiteral("bench-phone")));
        inbox.clear();
        QFuture<std::chrono::nanoseconds> exchange =
            QtConcurrent::run([&link, frame] { return timeToReceipt(link.port(), frame); });
        while (!exchange.isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const std::chrono::nanoseconds took = exchange.result();
        if (took.count() == 0) {
            state.SkipWithError("no receipt");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        times.push_back(std::chrono::duration<double, std::milli>(took).count());
    }
    BenchRun::reportSpread(state, times);
}
BENCHMARK(FrameToReceipt100Notes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void Decode4MiBBatch(benchmark::State& state) {
    // Notes of about 1 KiB each until the batch fills 4 MiB.
    const QString text = QString(QStringLiteral("the quick brown fox jumps over the lazy dog ")).repeated(23);
    QByteArray batch = "[";
    for (int i = 0; batch.size() < kLargeBatch - 2048; ++i) {
        if (i > 0)
            batch += ',';
        batch += R"({"id":")" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + R"(","text":")"
                 + text.toUtf8() + R"(","captured":"2025-01-31T09:15:00+02:00","seconds":12.5,"deviceID":"p"})";
    }
    batch += "]";
    std::size_t notes = 0;
    for (auto _ : state) {
        const std::optional<QList<PhoneNote>> decoded = PhoneNoteCodec::decode(batch);
        notes = decoded ? std::size_t(decoded->size()) : 0;
        benchmark::DoNotOptimize(decoded);
    }
    state.counters["notes"] = double(notes);
    state.counters["MiB"] = double(batch.size()) / (1024.0 * 1024.0);
}
BENCHMARK(Decode4MiBBatch)->Unit(benchmark::kMillisecond);

// Another device opens four connections, each announcing the largest frame:
// with argument 0 it sends only the 4-byte headers, with 1 it also sends all
// but the last byte of each payload. A phone at another address then tries
// every 50 ms; the time is from the attack being in place to its receipt.
void PhoneLockOut(benchmark::State& state) {
    using namespace std::chrono_literals;
    const bool sendsPayload = state.range(0) == 1;
    constexpr int kConnections = 4;
    constexpr quint32 kAttacker = 0x7F000001, kPhone = 0x7F000002;
    BenchInbox phones(QStringLiteral("bench-phone"));
    PhoneInbox& inbox = phones.inbox;
    // The program's own limits.
    PhoneLink link(inbox, nullptr, QHostAddress::LocalHost, PhoneLink::Limits{});
    const auto waitFor = [](const auto& future) {
        while (!future.isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    for (auto _ : state) {
        link.start();
        const QByteArray header = PhoneClient::frame("", FrameReader::kMaxLength);
        const QByteArray attack =
            sendsPayload ? header + QByteArray(qsizetype(FrameReader::kMaxLength) - 1, ' ') : header;
        PhoneClient::Options attacker;
        attacker.from = kAttacker;
        attacker.readTimeout = 120s;
        QList<QFuture<PhoneClient::Outcome>> held;
        for (int i = 0; i < kConnections; ++i)
            held.append(PhoneClient::send(link.port(), attack, attacker));
        // In place: every connection accepted and its bytes read or refused.
        const auto settleUntil = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < settleUntil)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

        PhoneClient::Options phone;
        phone.from = kPhone;
        phone.readTimeout = 2s;
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0;; ++n) {
            inbox.clear();
            const QByteArray frame = PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("bench-phone"), n));
            QFuture<PhoneClient::Outcome> tried = PhoneClient::send(link.port(), frame, phone);
            waitFor(tried);
            if (tried.result().receipt())
                break;
            const auto pause = std::chrono::steady_clock::now() + 50ms;
            while (std::chrono::steady_clock::now() < pause)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        link.stop();
        for (const QFuture<PhoneClient::Outcome>& connection : held)
            waitFor(connection);
    }
}
BENCHMARK(PhoneLockOut)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    benchmark::AddCustomContext("aim", "frame to receipt: median under 10 ms; 4 MiB decode under 150 ms; "
                                       "lock-out by four held connections under 100 ms");
    const int status = BenchRun::run(&argc, argv);
    return status;
}
