#include "platform/linux/AvahiServiceAdvertiser.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "engine/LlmServer.h"
#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneLink.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
    QDeadlineTimer deadline(limit);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A system bus of our own and an avahi-daemon in a network namespace with
// only loopback, so no announcement leaves the machine.
class PrivateAvahi {
public:
    PrivateAvahi() {
        QFile stock(QStringLiteral("/usr/share/dbus-1/system.conf"));
        stock.open(QIODevice::ReadOnly);
        QString config = QString::fromUtf8(stock.readAll());
        for (const char* pattern : {"<user>[^<]*</user>", "<pidfile>[^<]*</pidfile>", "<syslog/>",
                                    "<servicehelper>[^<]*</servicehelper>", "<standard_system_servicedirs/>"})
            config.remove(QRegularExpression(QString::fromLatin1(pattern)));
        config.replace(QRegularExpression(QStringLiteral("<listen>[^<]*</listen>")),
                       QStringLiteral("<listen>unix:path=%1</listen>").arg(busPath()));
        config.replace(QStringLiteral("<includedir>system.d</includedir>"),
                       QStringLiteral("<includedir>/usr/share/dbus-1/system.d</includedir>"));
        m_folder.write("sysbus.conf", config.toUtf8());
        m_folder.write("avahi.conf", "[server]\nallow-interfaces=lo\nuse-ipv4=yes\nuse-ipv6=no\n"
                                     "[wide-area]\nenable-wide-area=no\n"
                                     "[publish]\npublish-hinfo=no\npublish-workstation=no\n");
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + m_folder.file("sysbus.conf")});
        m_ready = m_bus.waitForStarted() && waitUntil([this] { return QFile::exists(busPath()); }, 5s);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + busPath()).toUtf8());
    }
    ~PrivateAvahi() {
        stopDaemon();
        m_bus.terminate();
        m_bus.waitForFinished(3000);
    }

    bool ready() const { return m_ready; }
    QString busPath() const { return m_folder.file("sysbus"); }

    bool startDaemon() {
        const QString script =
            QStringLiteral("ip link set lo up && ip link set lo multicast on && mkdir -p /run/avahi-daemon && "
                           "mount -t tmpfs tmpfs /run/avahi-daemon && exec avahi-daemon -f '%1' --no-drop-root "
                           "--no-chroot --no-rlimits")
                .arg(m_folder.file("avahi.conf"));
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("sh"),
                                                   QStringLiteral("-c"), script});
        m_log.clear();
        return m_daemon.waitForStarted() && waitUntil([this] {
                   m_log += m_daemon.readAll();
                   return m_log.contains("Server startup complete") || m_daemon.state() == QProcess::NotRunning;
               })
               && m_log.contains("Server startup complete");
    }
    void stopDaemon() {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QByteArray log() const { return m_log; }

    // What avahi-browse resolves for the phone link's service type.
    QString browse() {
        QProcess browse;
        browse.start(QStringLiteral("avahi-browse"), {QStringLiteral("-rtp"), PhoneLink::kServiceType});
        browse.waitForFinished(15000);
        return QString::fromUtf8(browse.readAllStandardOutput());
    }

private:
    TempFolder m_folder;
    QProcess m_bus;
    QProcess m_daemon;
    QByteArray m_log;
    bool m_ready = false;
};

class AvahiServiceAdvertiserTest : public testing::Test {
protected:
    // One bus for the whole program: the D-Bus library reads the system bus's
    // address once per process.
    static void SetUpTestSuite() {
        if (::geteuid() == 0)
            avahi = new PrivateAvahi;
    }
    static void TearDownTestSuite() {
        delete avahi;
        avahi = nullptr;
    }
    void SetUp() override {
        if (!avahi)
            GTEST_SKIP() << "a network namespace of our own needs root";
        ASSERT_TRUE(avahi->ready()) << "the private system bus did not start";
    }
    void TearDown() override {
        if (avahi)
            avahi->stopDaemon();
    }

    static PrivateAvahi* avahi;
};

PrivateAvahi* AvahiServiceAdvertiserTest::avahi = nullptr;

TEST_F(AvahiServiceAdvertiserTest, AnnouncesTheListenersPortAndRenamesOnACollision) {
    ASSERT_TRUE(avahi->startDaemon()) << avahi->log().toStdString();
    TempFolder folder;
    Defaults defaults(folder.file("defaults.json"));
    ModeStore modes(defaults);
    CleanupEngine cleanup(defaults, LlmServer::shared());
    PhoneInbox::Services services{&defaults, &modes, [](const Alert&, std::function<void(int)>) {}, {}, {}, {}};
    PhoneInbox inbox(folder.file("phone-inbox.json"), cleanup, services);
    AvahiServiceAdvertiser advertiser;
    PhoneLink link(inbox, &advertiser, QHostAddress::LocalHost, PhoneLink::Limits{});
    link.start();
    ASSERT_TRUE(waitUntil([&link] { return link.isAdvertising(); })) << avahi->log().toStdString();
    EXPECT_FALSE(link.lastError().has_value());
    const QString name = advertiser.serviceName();
    EXPECT_FALSE(name.isEmpty());

    // A second service of the same type from this host takes the next name.
    AvahiServiceAdvertiser second;
    second.advertise(PhoneLink::kServiceType, 4242);
    ASSERT_TRUE(waitUntil([&second] { return second.isAdvertised(); }));
    EXPECT_NE(second.serviceName(), name);
    EXPECT_TRUE(second.serviceName().startsWith(name)) << second.serviceName().toStdString();

    const QString found = avahi->browse();
    EXPECT_TRUE(found.contains(QStringLiteral(";%1;").arg(link.port()))) << found.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral(";4242;"))) << found.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral(";_quorvane._tcp;local;"))) << found.toStdString();
}

TEST_F(AvahiServiceAdvertiserTest, KeepsListeningWithoutTheDaemonAndAnnouncesOnceItReturns) {
    TempFolder folder;
    Defaults defaults(folder.file("defaults.json"));
    ModeStore modes(defaults);
    CleanupEngine cleanup(defaults, LlmServer::shared());
    PhoneInbox::Services services{&defaults, &modes, [](const Alert&, std::function<void(int)>) {}, {}, {}, {}};
    PhoneInbox inbox(folder.file("phone-inbox.json"), cleanup, services);
    AvahiServiceAdvertiser advertiser;
    PhoneLink link(inbox, &advertiser, QHostAddress::LocalHost, PhoneLink::Limits{});
    link.start();
    ASSERT_TRUE(waitUntil([&link] { return link.lastError().has_value(); }));
    EXPECT_NE(link.port(), 0) << "the listener stays up";
    EXPECT_FALSE(link.isAdvertising());

    ASSERT_TRUE(avahi->startDaemon()) << avahi->log().toStdString();
    ASSERT_TRUE(waitUntil([&link] { return link.isAdvertising(); })) << avahi->log().toStdString();
    EXPECT_FALSE(link.lastError().has_value());

    // The daemon goes away and comes back: announced again.
    avahi->stopDaemon();
    ASSERT_TRUE(waitUntil([&link] { return !link.isAdvertising(); }));
    EXPECT_TRUE(link.lastError().has_value());
    ASSERT_TRUE(avahi->startDaemon()) << avahi->log().toStdString();
    ASSERT_TRUE(waitUntil([&link] { return link.isAdvertising(); }));
    EXPECT_TRUE(avahi->browse().contains(QStringLiteral(";%1;").arg(link.port())));
}

} // namespace
