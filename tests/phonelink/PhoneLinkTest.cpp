#include "phonelink/PhoneLink.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "engine/LlmServer.h"
#include "phonelink/FrameReader.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneNoteCodec.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/PhoneClient.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonObject>
#include <QScopeGuard>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using PhoneClient::Outcome;

QJsonObject receiptOf(int imported, bool discarded) {
    return QJsonObject{{"ok", true}, {"imported", imported}, {"discarded", discarded}};
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    QDeadlineTimer deadline(limit);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class PhoneLinkTest : public testing::Test {
protected:
    void SetUp() override {
        defaults.set(PhoneInbox::kKnownPhonesKey, QStringList{QStringLiteral("my-phone")});
        PhoneInbox::Services services;
        services.defaults = &defaults;
        services.modes = &modes;
        services.alerts = [this](const Alert& alert, std::function<void(int)> answered) {
            questions.append(alert.title);
            answers.append(std::move(answered));
        };
        // Polish leaves notes as sent: a cleaner that returns nothing.
        services.clean = [](const QString&, const DictationMode&) { return QtFuture::makeReadyFuture(QString()); };
        inbox = std::make_unique<PhoneInbox>(folder.file("phone-inbox.json"), cleanup, services);
        PhoneLink::Limits quick;
        quick.connection.readDeadline = 500ms;
        startLink(quick);
    }
    void startLink(PhoneLink::Limits limits) {
        link.reset();
        link = std::make_unique<PhoneLink>(*inbox, nullptr, QHostAddress::LocalHost, limits);
        link->start();
        ASSERT_NE(link->port(), 0);
    }
    Outcome exchange(const QByteArray& bytes, PhoneClient::Options options = {}) {
        return awaitResult(PhoneClient::send(link->port(), bytes, options), 30000);
    }
    // The inbox file parses and holds exactly the inbox's notes.
    void expectFileWhole() {
        const std::optional<QList<PhoneNote>> file = PhoneNoteCodec::decode(folder.read("phone-inbox.json"));
        if (inbox->notes().isEmpty() && folder.read("phone-inbox.json").isEmpty())
            return;
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(*file, inbox->notes());
    }

    TempFolder folder;
    Defaults defaults{folder.file("defaults.json")};
    ModeStore modes{defaults};
    CleanupEngine cleanup{defaults, LlmServer::shared()};
    std::unique_ptr<PhoneInbox> inbox;
    std::unique_ptr<PhoneLink> link;
    QStringList questions;
    QList<std::function<void(int)>> answers;
};

TEST_F(PhoneLinkTest, TrustedPhoneGetsItsReceiptAtOnceAndARepeatImportsNothing) {
    const QByteArray batch = PhoneClient::batch(3, QStringLiteral("my-phone"));
    const Outcome first = exchange(PhoneClient::frame(batch));
    EXPECT_TRUE(first.closed);
    EXPECT_EQ(first.receipt(), receiptOf(3, false));
    EXPECT_EQ(first.received.mid(4), QByteArray(R"({"ok":true,"imported":3,"discarded":false})"));
    EXPECT_EQ(link->lastReceived(), 3);
    EXPECT_EQ(exchange(PhoneClient::frame(batch)).receipt(), receiptOf(0, false));
    EXPECT_EQ(link->lastReceived(), 3) << "a batch that brings nothing leaves the count";
    EXPECT_EQ(inbox->notes().size(), 3);
    expectFileWhole();
}

TEST_F(PhoneLinkTest, BatchesSentBackToBackAreEachAnswered) {
    // Each connection ends as soon as the phone closes after its receipt, so
    // a phone that sends again at once never finds its connections used up.
    for (int n = 0; n < 40; ++n) {
        const Outcome outcome = exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), n)));
        ASSERT_EQ(outcome.receipt(), receiptOf(1, false)) << "batch " << n;
    }
    EXPECT_EQ(inbox->notes().size(), 40);
}

TEST_F(PhoneLinkTest, UnknownPhoneWaitsForTheAnswerEvenAfterClosingItsSendingSide) {
    PhoneClient::Options halfClosing;
    halfClosing.halfClose = true;
    QFuture<Outcome> once = PhoneClient::send(
        link->port(), PhoneClient::frame(PhoneClient::batch(2, QStringLiteral("stranger"))), halfClosing);
    ASSERT_TRUE(waitUntil([this] { return answers.size() == 1; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_FALSE(once.isFinished()) << "no receipt before the answer";
    answers[0](1); // Add just this once
    const Outcome accepted = awaitResult(once, 30000);
    EXPECT_EQ(accepted.receipt(), receiptOf(2, false));

    QFuture<Outcome> refused = PhoneClient::send(
        link->port(), PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("stranger"), 10)), halfClosing);
    ASSERT_TRUE(waitUntil([this] { return answers.size() == 2; })) << "trusted only once";
    answers[1](2); // Discard
    EXPECT_EQ(awaitResult(refused, 30000).receipt(), receiptOf(0, true));
    EXPECT_EQ(inbox->notes().size(), 2);
    expectFileWhole();
}

TEST_F(PhoneLinkTest, AReplacedWaitingBatchIsClosedWithoutAReceipt) {
    QFuture<Outcome> replaced =
        PhoneClient::send(link->port(), PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("first"))));
    ASSERT_TRUE(waitUntil([this] { return answers.size() == 1; }));
    QFuture<Outcome> replacing =
        PhoneClient::send(link->port(), PhoneClient::frame(PhoneClient::batch(2, QStringLiteral("second"), 5)));
    const Outcome dropped = awaitResult(replaced, 30000);
    EXPECT_TRUE(dropped.closed);
    EXPECT_TRUE(dropped.received.isEmpty());
    answers[0](0); // the answer to the first question counts for nothing
    ASSERT_TRUE(waitUntil([this] { return answers.size() == 2; }));
    answers[1](0);
    EXPECT_EQ(awaitResult(replacing, 30000).receipt(), receiptOf(2, false));
    EXPECT_EQ(defaults.stringList(PhoneInbox::kKnownPhonesKey), (QStringList{"my-phone", "second"}));
    expectFileWhole();
}

TEST_F(PhoneLinkTest, HostileConnectionsEndInAReceiptOrACloseAndLeaveTheInboxWhole) {
    // The largest frame passes: one note padded with spaces to exactly 4 MiB.
    QByteArray largest = PhoneClient::batch(1, QStringLiteral("my-phone"), 100);
    largest.append(QByteArray(qsizetype(FrameReader::kMaxLength) - largest.size(), ' '));
    EXPECT_EQ(exchange(PhoneClient::frame(largest)).receipt(), receiptOf(1, false));
    expectFileWhole();

    struct Case {
        const char* what;
        QByteArray bytes;
        PhoneClient::Options options;
        std::optional<QJsonObject> receipt; // none: closed without a byte
    };
    PhoneClient::Options halfClose;
    halfClose.halfClose = true;
    PhoneClient::Options trickle;
    trickle.pieceSize = 7;
    trickle.pause = 5ms;
    const QByteArray one = PhoneClient::batch(1, QStringLiteral("my-phone"), 200);
    const Case cases[] = {
        {"length 0", PhoneClient::frame("", 0), {}, std::nullopt},
        {"length above 4 MiB", PhoneClient::frame("[]", FrameReader::kMaxLength + 1), {}, std::nullopt},
        {"length 0xFFFFFFFF", PhoneClient::frame("[]", 0xFFFFFFFFu), {}, std::nullopt},
        {"truncated payload", PhoneClient::frame(one).chopped(5), halfClose, std::nullopt},
        {"header then silence", PhoneClient::frame("[]", 100).left(4), {}, std::nullopt},
        {"half a header then silence", QByteArray("\0\0", 2), {}, std::nullopt},
        {"nothing at all", QByteArray(), halfClose, std::nullopt},
        {"not JSON", PhoneClient::frame("hello phone"), {}, receiptOf(0, false)},
        {"a JSON object", PhoneClient::frame(R"({"id":1})"), {}, receiptOf(0, false)},
        {"garbage after the frame", PhoneClient::frame(one) + QByteArray(100000, 'G'), {}, receiptOf(1, false)},
        {"sent a few bytes at a time", PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 300)),
         trickle, receiptOf(1, false)},
    };
    for (const Case& c : cases) {
        const Outcome outcome = exchange(c.bytes, c.options);
        EXPECT_TRUE(outcome.closed) << c.what;
        if (c.receipt)
            EXPECT_EQ(outcome.receipt(), c.receipt) << c.what;
        else
            EXPECT_TRUE(outcome.received.isEmpty()) << c.what;
        expectFileWhole();
    }
    EXPECT_EQ(inbox->notes().size(), 3);
    ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 0; }));
}

TEST_F(PhoneLinkTest, TwoHundredPhonesAtOnceEachGetAReceiptOrAClose) {
    // Every phone connects before any sends: the first ones wait for the rest.
    PhoneLink::Limits patient;
    patient.connection.readDeadline = 30s;
    startLink(patient);
    QList<QByteArray> frames;
    for (int i = 0; i < 200; ++i)
        frames.append(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 1000 + i)));
    PhoneClient::Options options;
    options.readTimeout = 30s;
    options.from = 0x7F010001; // 127.1.0.1, 127.1.1.1 and on: phones on networks of their own
    options.addressStep = 256;
    const QList<Outcome> outcomes = awaitResult(PhoneClient::sendAll(link->port(), frames, options), 60000);
    int receipts = 0;
    for (const Outcome& outcome : outcomes) {
        EXPECT_TRUE(outcome.closed);
        if (outcome.received.isEmpty())
            continue;
        EXPECT_EQ(outcome.receipt(), receiptOf(1, false));
        ++receipts;
    }
    EXPECT_GE(receipts, PhoneLink::Limits{}.maxConnections);
    EXPECT_EQ(inbox->notes().size(), receipts);
    expectFileWhole();
}

TEST_F(PhoneLinkTest, ConnectionsAndBufferedBytesAreCapped) {
    PhoneLink::Limits tight;
    tight.maxConnections = 1;
    tight.maxBufferedBytes = 1000;
    tight.connection.readDeadline = 10s;
    startLink(tight);
    // The first connection holds the only place while it trickles in; a
    // newcomer takes it over, and the one that trickled is closed unanswered.
    PhoneClient::Options slow;
    slow.pieceSize = 1;
    slow.pause = 100ms;
    QFuture<Outcome> holder = PhoneClient::send(
        link->port(), PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"))).left(8), slow);
    ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 1; }));
    EXPECT_EQ(exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 9))).receipt(),
              receiptOf(1, false));
    const Outcome madeRoom = awaitResult(holder, 30000);
    EXPECT_TRUE(madeRoom.closed);
    EXPECT_TRUE(madeRoom.received.isEmpty());

    // A connection whose frame is in keeps its place: an unknown phone waiting
    // for the user's answer holds the only one, and a newcomer is closed.
    QFuture<Outcome> waiting =
        PhoneClient::send(link->port(), PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("stranger"), 20)));
    ASSERT_TRUE(waitUntil([this] { return answers.size() == 1; }));
    const Outcome turnedAway = exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 21)));
    EXPECT_TRUE(turnedAway.closed);
    EXPECT_TRUE(turnedAway.received.isEmpty());
    answers[0](1); // Add just this once
    EXPECT_EQ(awaitResult(waiting, 30000).receipt(), receiptOf(1, false));

    // A frame larger than the whole buffer budget is refused.
    const Outcome tooBig = exchange(PhoneClient::frame(QByteArray(2000, ' ')));
    EXPECT_TRUE(tooBig.closed);
    EXPECT_TRUE(tooBig.received.isEmpty());
}

// Connections held open by another device on the network for as long as the
// link lets them, each on a thread of its own; the link is stopped at the end
// so that they close.
class Hold {
public:
    Hold(quint16 port, quint32 from) : m_port(port) {
        m_options.from = from;
        m_options.readTimeout = 60s;
        m_threads.setMaxThreadCount(32);
    }
    ~Hold() {
        for (QFuture<Outcome>& held : m_held)
            awaitFuture(held, 60000);
    }
    void open(const QByteArray& bytes) {
        m_held.append(QtConcurrent::run(&m_threads, [port = m_port, bytes, options = m_options] {
            return PhoneClient::exchange(port, bytes, options);
        }));
    }
    // How many the link has closed so far.
    int closed() const {
        return int(std::count_if(m_held.cbegin(), m_held.cend(),
                                 [](const QFuture<Outcome>& held) { return held.isFinished(); }));
    }

private:
    quint16 m_port;
    PhoneClient::Options m_options;
    QThreadPool m_threads;
    QList<QFuture<Outcome>> m_held;
};

constexpr quint32 kStranger = 0x7F000001; // 127.0.0.1
constexpr quint32 kPhone = 0x7F000002;    // 127.0.0.2

TEST_F(PhoneLinkTest, HeadersThatAnnounceTheLargestFramesLockNoPhoneOut) {
    PhoneLink::Limits patient;
    patient.connection.readDeadline = 30s;
    startLink(patient);
    {
        Hold stranger(link->port(), kStranger);
        const QByteArray largestHeader = PhoneClient::frame("", FrameReader::kMaxLength);
        for (int i = 0; i < 4; ++i)
            stranger.open(largestHeader);
        ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 4; }));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);

        PhoneClient::Options phone;
        phone.from = kPhone;
        const Outcome mine = exchange(PhoneClient::frame(PhoneClient::batch(2, QStringLiteral("my-phone"))), phone);
        EXPECT_EQ(mine.receipt(), receiptOf(2, false)) << "announced lengths book no buffer";
        EXPECT_EQ(stranger.closed(), 0) << "nothing was held that had to be refused";
        link.reset();
    }
    expectFileWhole();
}

TEST_F(PhoneLinkTest, OneDeviceHoldsAtMostOneLargestFrameAndItsShareOfConnections) {
    PhoneLink::Limits patient;
    patient.connection.readDeadline = 30s;
    startLink(patient);
    {
        // Four frames of 3 MiB that never end, sent for real: 12 MiB of the 16.
        Hold stranger(link->port(), kStranger);
        const QByteArray unfinished = PhoneClient::frame(QByteArray(3 * 1024 * 1024, ' '), FrameReader::kMaxLength);
        for (int i = 0; i < 4; ++i)
            stranger.open(unfinished);
        ASSERT_TRUE(waitUntil([&stranger] { return stranger.closed() >= 3; }))
            << "past one largest frame, the device's connections are closed";

        // Another phone still sends the largest frame there is.
        QByteArray largest = PhoneClient::batch(1, QStringLiteral("my-phone"), 100);
        largest.append(QByteArray(qsizetype(FrameReader::kMaxLength) - largest.size(), ' '));
        PhoneClient::Options phone;
        phone.from = kPhone;
        EXPECT_EQ(exchange(PhoneClient::frame(largest), phone).receipt(), receiptOf(1, false));

        // Silent connections from one device take only its share of the places.
        Hold quiet(link->port(), kStranger);
        for (int i = 0; i < PhoneLink::Limits{}.maxConnectionsPerPeer + 1; ++i)
            quiet.open(QByteArray("\0", 1));
        ASSERT_TRUE(waitUntil([&quiet] { return quiet.closed() >= 1; })) << "one too many from one device";
        EXPECT_EQ(exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 200)), phone).receipt(),
                  receiptOf(1, false));
        link.reset();
    }
    EXPECT_EQ(inbox->notes().size(), 2);
    expectFileWhole();
}

// Keeps this process from opening any further descriptor while it lives.
class NoMoreDescriptors {
public:
    NoMoreDescriptors() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit tight = m_saved;
        tight.rlim_cur = rlim_t(lowestFree);
        m_held = ::setrlimit(RLIMIT_NOFILE, &tight) == 0;
    }
    ~NoMoreDescriptors() {
        if (m_held)
            ::setrlimit(RLIMIT_NOFILE, &m_saved);
    }
    bool held() const { return m_held; }

private:
    rlimit m_saved{};
    bool m_held = false;
};

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QV_SANITIZED 1
#endif

TEST_F(PhoneLinkTest, OutOfDescriptorsTheLinkStopsAdvertisingAndListensAgainAfterABackoff) {
#ifdef QV_SANITIZED
    // The sanitizers open a pipe to check memory they are asked about: in a
    // process without a descriptor to spare they report every log line.
    GTEST_SKIP() << "a sanitized process cannot run out of descriptors";
#endif
    PhoneLink::Limits limits;
    limits.connection.readDeadline = 500ms;
    limits.acceptBackoff = 100ms;
    startLink(limits);
    ASSERT_TRUE(link->isAdvertising());
    // A phone connects while the program has no descriptor left to take it with.
    const int phone = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(phone, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(link->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(phone, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    {
        NoMoreDescriptors none;
        ASSERT_TRUE(none.held());
        EXPECT_TRUE(waitUntil([this] { return !link->isAdvertising(); }, 2s)) << "advertising while unable to accept";
        EXPECT_TRUE(link->lastError().has_value());
        // Still out of descriptors at the retries: nothing is taken, and the link waits again.
        EXPECT_FALSE(waitUntil([this] { return link->openConnections() > 0; }, 300ms));
    }
    EXPECT_TRUE(waitUntil([this] { return link->isAdvertising(); }, 5s)) << "the link never listened again";
    EXPECT_FALSE(link->lastError().has_value());
    ::close(phone);
    EXPECT_EQ(exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone")))).receipt(),
              receiptOf(1, false));
}

TEST(PhoneLinkPrefix, AddressesCountByTheirIPv4SlashTwentyFourOrIPv6SlashSixtyFour) {
    EXPECT_EQ(PhoneLink::prefixOf(QHostAddress(QStringLiteral("192.168.1.77"))),
              QHostAddress(QStringLiteral("192.168.1.0")));
    EXPECT_EQ(PhoneLink::prefixOf(QHostAddress(QStringLiteral("192.168.1.200"))),
              PhoneLink::prefixOf(QHostAddress(QStringLiteral("192.168.1.3"))));
    EXPECT_NE(PhoneLink::prefixOf(QHostAddress(QStringLiteral("192.168.2.3"))),
              PhoneLink::prefixOf(QHostAddress(QStringLiteral("192.168.1.3"))));
    // Privacy addresses of one device share its /64.
    EXPECT_EQ(PhoneLink::prefixOf(QHostAddress(QStringLiteral("2001:db8:5:7:a1b2:c3d4:e5f6:1"))),
              QHostAddress(QStringLiteral("2001:db8:5:7::")));
    EXPECT_EQ(PhoneLink::prefixOf(QHostAddress(QStringLiteral("2001:db8:5:7:ffff::9"))),
              PhoneLink::prefixOf(QHostAddress(QStringLiteral("2001:db8:5:7:1::1"))));
    EXPECT_NE(PhoneLink::prefixOf(QHostAddress(QStringLiteral("2001:db8:5:8::1"))),
              PhoneLink::prefixOf(QHostAddress(QStringLiteral("2001:db8:5:7::1"))));
}

TEST_F(PhoneLinkTest, ADeviceWithManyAddressesHoldsOnlyItsNetworksShare) {
    PhoneLink::Limits patient;
    patient.connection.readDeadline = 30s;
    startLink(patient);
    const int share = PhoneLink::Limits{}.maxConnectionsPerPrefix;
    PhoneClient::Options phone;
    phone.from = 0x7F010002; // 127.1.0.2: another network
    {
        // Silent connections, one from each of many addresses of 127.0.0.0/24.
        std::vector<std::unique_ptr<Hold>> quiet;
        for (int i = 0; i <= share; ++i) {
            quiet.push_back(std::make_unique<Hold>(link->port(), kStranger + quint32(i)));
            quiet.back()->open(QByteArray("\0", 1));
        }
        ASSERT_TRUE(waitUntil([&quiet] {
            return std::any_of(quiet.cbegin(), quiet.cend(), [](const auto& held) { return held->closed() == 1; });
        })) << "one past the network's share";
        EXPECT_EQ(link->openConnections(), share);
        EXPECT_EQ(exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 300)), phone).receipt(),
                  receiptOf(1, false));
        link.reset();
    }
    startLink(patient);
    {
        // Frames of 3 MiB that never end, each from an address of its own on one network.
        std::vector<std::unique_ptr<Hold>> large;
        const QByteArray unfinished = PhoneClient::frame(QByteArray(3 * 1024 * 1024, ' '), FrameReader::kMaxLength);
        for (quint32 i = 0; i < 3; ++i) {
            large.push_back(std::make_unique<Hold>(link->port(), kStranger + i));
            large.back()->open(unfinished);
        }
        ASSERT_TRUE(waitUntil([&large] {
            return std::any_of(large.cbegin(), large.cend(), [](const auto& held) { return held->closed() == 1; });
        })) << "past two largest frames, the network's connections are closed";
        QByteArray largest = PhoneClient::batch(1, QStringLiteral("my-phone"), 400);
        largest.append(QByteArray(qsizetype(FrameReader::kMaxLength) - largest.size(), ' '));
        EXPECT_EQ(exchange(PhoneClient::frame(largest), phone).receipt(), receiptOf(1, false));
        link.reset();
    }
    EXPECT_EQ(inbox->notes().size(), 2);
}

TEST_F(PhoneLinkTest, BatchesFromOneAddressOrNetworkAreTakenAtMostSoManyAMinute) {
    PhoneLink::Limits limits;
    limits.connection.readDeadline = 500ms;
    limits.maxBatchesPerPeer = 3;
    limits.maxBatchesPerPrefix = 5;
    startLink(limits);
    const auto sendFrom = [this](quint32 address, int number) {
        PhoneClient::Options from;
        from.from = address;
        return exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), number)), from);
    };
    for (int n = 0; n < 3; ++n)
        ASSERT_EQ(sendFrom(kStranger, n).receipt(), receiptOf(1, false)) << "batch " << n;
    const Outcome refused = sendFrom(kStranger, 3);
    EXPECT_TRUE(refused.closed);
    EXPECT_TRUE(refused.received.isEmpty()) << "no receipt: the phone keeps the notes for later";
    // Other addresses of the network have windows of their own, but share the network's.
    EXPECT_EQ(sendFrom(kPhone, 4).receipt(), receiptOf(1, false));
    EXPECT_EQ(sendFrom(kPhone + 1, 5).receipt(), receiptOf(1, false));
    const Outcome networkFull = sendFrom(kPhone + 2, 6);
    EXPECT_TRUE(networkFull.closed);
    EXPECT_TRUE(networkFull.received.isEmpty()) << "a fresh address of a network past its batches";
    // Another network is counted apart.
    EXPECT_EQ(sendFrom(0x7F010002, 7).receipt(), receiptOf(1, false)); // 127.1.0.2
    EXPECT_EQ(inbox->notes().size(), 6);
}

TEST_F(PhoneLinkTest, DevicesFillingTheNetworksShareMakeRoomForAPhoneOnTheSameNetwork) {
    PhoneLink::Limits patient;
    patient.connection.readDeadline = 30s;
    startLink(patient);
    const int perAddress = PhoneLink::Limits{}.maxConnectionsPerPeer;
    PhoneClient::Options phone;
    phone.from = kPhone;
    {
        // Two other devices on the phone's /24, each holding its full share
        // of silent connections: together the network's share.
        Hold first(link->port(), kPhone + 1);
        Hold second(link->port(), kPhone + 2);
        for (int i = 0; i < perAddress; ++i)
            first.open(QByteArray("\0", 1));
        ASSERT_TRUE(waitUntil([this] { return link->openConnections() == perAddress; }));
        for (int i = 0; i < perAddress; ++i)
            second.open(QByteArray("\0", 1));
        ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 2 * perAddress; }));
        ASSERT_EQ(link->openConnections(), PhoneLink::Limits{}.maxConnectionsPerPrefix);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);

        EXPECT_EQ(exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 500)), phone).receipt(),
                  receiptOf(1, false));
        EXPECT_TRUE(waitUntil([&first] { return first.closed() == 1; })) << "the oldest silent one made room";
        EXPECT_EQ(second.closed(), 0);
        link.reset();
    }
    startLink(patient);
    {
        // The same two devices each hold all but the last byte of a largest
        // frame: together the network's share of frame bytes.
        Hold first(link->port(), kPhone + 1);
        Hold second(link->port(), kPhone + 2);
        const QByteArray unfinished =
            PhoneClient::frame(QByteArray(qsizetype(FrameReader::kMaxLength) - 1, ' '), FrameReader::kMaxLength);
        first.open(unfinished);
        ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 1; }));
        second.open(unfinished);
        ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 2; }));
        // Read in whole: no more bytes wait in the connections.
        QDeadlineTimer settle(1000);
        while (!settle.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_EQ(first.closed() + second.closed(), 0);

        EXPECT_EQ(exchange(PhoneClient::frame(PhoneClient::batch(1, QStringLiteral("my-phone"), 502)), phone).receipt(),
                  receiptOf(1, false));
        EXPECT_TRUE(waitUntil([&first] { return first.closed() == 1; })) << "the oldest unfinished frame made room";
        EXPECT_EQ(second.closed(), 0);
        link.reset();
    }
    EXPECT_EQ(inbox->notes().size(), 2);
    expectFileWhole();
}

TEST_F(PhoneLinkTest, BatchesAreDecodedOnTheThreadPoolNotTheGuiThread) {
    // Every thread of the pool is kept busy until the test lets go.
    QThreadPool& pool = *QThreadPool::globalInstance();
    std::atomic<bool> letGo = false;
    QList<QFuture<void>> busy;
    for (int i = 0; i < pool.maxThreadCount(); ++i)
        busy.append(QtConcurrent::run(&pool, [&letGo] {
            while (!letGo)
                QThread::msleep(5);
        }));
    const auto release = qScopeGuard([&] {
        letGo = true;
        for (QFuture<void>& held : busy)
            held.waitForFinished();
    });
    // The phone runs on a thread of its own, outside the pool.
    Outcome sent;
    const quint16 port = link->port();
    std::unique_ptr<QThread> client(QThread::create([&sent, port] {
        sent = PhoneClient::exchange(port, PhoneClient::frame(PhoneClient::batch(2, QStringLiteral("my-phone"))), {});
    }));
    client->start();
    ASSERT_TRUE(waitUntil([this] { return link->openConnections() == 1; }));
    EXPECT_FALSE(waitUntil([this] { return !inbox->notes().isEmpty(); }, 500ms))
        << "the batch was decoded on the GUI thread";
    letGo = true;
    EXPECT_TRUE(waitUntil([this] { return inbox->notes().size() == 2; }));
    EXPECT_TRUE(waitUntil([&client] { return client->isFinished(); }));
    EXPECT_EQ(sent.receipt(), receiptOf(2, false));
}

TEST_F(PhoneLinkTest, StartingTwiceKeepsOneListenerAndStopClosesIt) {
    const quint16 port = link->port();
    link->start();
    EXPECT_EQ(link->port(), port);
    EXPECT_TRUE(link->isAdvertising());
    link->stop();
    EXPECT_EQ(link->port(), 0);
    EXPECT_FALSE(link->isAdvertising());
    EXPECT_FALSE(exchange(PhoneClient::frame("[]")).receipt().has_value());

    // An address this machine does not have: the failure is reported, nothing listens.
    PhoneLink elsewhere(*inbox, nullptr, QHostAddress(QStringLiteral("192.0.2.1")), PhoneLink::Limits{});
    elsewhere.start();
    EXPECT_TRUE(elsewhere.lastError().has_value());
    EXPECT_EQ(elsewhere.port(), 0);
}

TEST(PhoneLinkSetting, AnythingButAStoredBooleanCountsAsOn) {
    TempFolder folder;
    Defaults defaults(folder.file("defaults.json"));
    EXPECT_TRUE(PhoneLink::isEnabled(defaults));
    defaults.set(PhoneLink::kEnabledKey, QStringLiteral("false"));
    EXPECT_TRUE(PhoneLink::isEnabled(defaults));
    defaults.set(PhoneLink::kEnabledKey, false);
    EXPECT_FALSE(PhoneLink::isEnabled(defaults));
}

} // namespace
