// The phone link's own time: from the last byte of a 100-note frame to the
// receipt at the phone (the polish pass excluded), and decoding a 4 MiB batch.
#include "cleanup/ModeStore.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "phonelink/PhoneNoteCodec.h"
#include "support/Defaults.h"
#include "support/PhoneClient.h"
#include "support/TempFolder.h"

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
    TempFolder folder;
    Defaults defaults(folder.file("defaults.json"));
    defaults.set(PhoneInbox::kKnownPhonesKey, QStringList{QStringLiteral("bench-phone")});
    ModeStore modes(defaults);
    PhoneInbox::Services services{&defaults, &modes, [](const Alert&, std::function<void(int)>) {},
                                  [](const QString&, const DictationMode&) { return QtFuture::makeReadyFuture(QString()); },
                                  {}, {}};
    PhoneInbox inbox(folder.file("phone-inbox.json"), services);
    PhoneLink link(inbox, nullptr, QHostAddress::LocalHost, PhoneLink::Limits{});
    link.start();
    for (auto _ : state) {
        const QByteArray frame = PhoneClient::frame(PhoneClient::batch(kNotesPerFrame, QStringLiteral("bench-phone")));
        inbox.clear();
        QFuture<std::chrono::nanoseconds> exchange = QtConcurrent::run([&link, frame] { return timeToReceipt(link.port(), frame); });
        while (!exchange.isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const std::chrono::nanoseconds took = exchange.result();
        if (took.count() == 0) {
            state.SkipWithError("no receipt");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
}
BENCHMARK(FrameToReceipt100Notes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void Decode4MiBBatch(benchmark::State& state) {
    // Notes of about 1 KiB each until the batch fills 4 MiB.
    const QString text = QString(QStringLiteral("the quick brown fox jumps over the lazy dog ")).repeated(23);
    QByteArray batch = "[";
    for (int i = 0; batch.size() < kLargeBatch - 2048; ++i) {
        if (i > 0)
            batch += ',';
        batch += R"({"id":")" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() +
                 R"(","text":")" + text.toUtf8() + R"(","captured":"2025-01-31T09:15:00+02:00","seconds":12.5,"deviceID":"p"})";
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("aim", "frame to receipt: median under 10 ms; 4 MiB decode under 150 ms");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
