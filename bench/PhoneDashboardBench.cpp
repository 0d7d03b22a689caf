// A phone's receipt with 1,000 notes in the inbox and the Dashboard open on
// them: from the last byte of a one-note frame to the last byte of the
// receipt at the phone, through the real link, the real inbox on its file and the real
// Dashboard, which follows every arrival. Aim: median under 10 ms. Offscreen
// or under the desktop harness: build/bench/bench_PhoneDashboardBench
#include "BenchInbox.h"
#include "BenchRun.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/PhoneNoteRow.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/PhoneClient.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QLabel>
#include <QtConcurrent>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

constexpr int kNotesHeld = 1000;
const QString kPhone = QStringLiteral("bench-phone");

// Sends `frame` and answers the time from its last byte to the whole receipt;
// zero when no receipt came.
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
    for (qsizetype sent = 0; sent < frame.size();) {
        const ssize_t n = ::send(fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    const auto lastByte = std::chrono::steady_clock::now();
    // The receipt is whole once its announced length has arrived; the link
    // closes the connection afterwards, in its own time.
    QByteArray receipt;
    const auto whole = [&receipt] {
        return receipt.size() > 4 && receipt.size() >= 4 + qsizetype(qFromBigEndian<quint32>(receipt.constData()));
    };
    char chunk[256];
    for (ssize_t n; !whole() && (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
        receipt.append(chunk, n);
    const auto received = std::chrono::steady_clock::now();
    ::close(fd);
    return whole() ? received - lastByte : std::chrono::nanoseconds{};
}

// Sends a frame while this thread serves the link; the time to its receipt.
std::chrono::nanoseconds exchange(PhoneLink& link, const QByteArray& frame) {
    QFuture<std::chrono::nanoseconds> sent =
        QtConcurrent::run([port = link.port(), frame] { return timeToReceipt(port, frame); });
    while (!sent.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return sent.result();
}

void FrameToReceipt1000NotesDashboardOpen(benchmark::State& state) {
    BenchInbox phones(kPhone);
    const TempFolder& folder = phones.folder;
    Defaults& defaults = phones.defaults;
    PhoneInbox& inbox = phones.inbox;
    PhoneLink link(inbox, nullptr, QHostAddress::LocalHost, PhoneLink::Limits{});
    link.start();

    StatsStore stats(folder.file(QStringLiteral("data")));
    HistoryStore history(folder.file(QStringLiteral("data")), defaults);
    DashboardServices services = DashboardServices::standard(stats, history, inbox, nullptr);
    services.defaults = &defaults;
    DashboardPane dashboard(services);
    dashboard.resize(900, 700);
    dashboard.show();

    // The inbox fills through the link, as from the phone, and the page catches up.
    if (exchange(link, PhoneClient::frame(PhoneClient::batch(kNotesHeld, kPhone))).count() == 0
        || inbox.notes().size() != kNotesHeld) {
        state.SkipWithError("the phone's first notes were not received");
        return;
    }
    const auto settle = [] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    settle();

    std::vector<double> milliseconds;
    for (auto _ : state) {
        const int number = kNotesHeld + int(milliseconds.size());
        const std::chrono::nanoseconds took = exchange(link, PhoneClient::frame(PhoneClient::batch(1, kPhone, number)));
        if (took.count() == 0) {
            state.SkipWithError("no receipt");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        milliseconds.push_back(std::chrono::duration<double, std::milli>(took).count());
        // Phones send seconds apart: the page finishes its update in between.
        settle();
    }
    // The page followed the arrivals: the newest note leads its list.
    const QString newest = QStringLiteral("note number %1").arg(kNotesHeld + int(milliseconds.size()) - 1);
    const auto shows = [&] {
        const QList<QWidget*> rows = dashboard.phoneRows();
        auto* first = rows.isEmpty() ? nullptr : qobject_cast<PhoneNoteRow*>(rows.constFirst());
        return first && first->text()->text() == newest;
    };
    const auto listed = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!shows() && std::chrono::steady_clock::now() < listed)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!shows()) {
        state.SkipWithError("the Dashboard did not list the newest note");
        return;
    }
    BenchRun::reportSpread(state, milliseconds);
}
BENCHMARK(FrameToReceipt1000NotesDashboardOpen)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    return BenchRun::run(&argc, argv);
}
