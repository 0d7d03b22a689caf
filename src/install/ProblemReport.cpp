#include "install/ProblemReport.h"

#include "cleanup/ModeStore.h"
#include "install/BuildValues.h"
#include "install/Updater.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/UrlOpener.h"
#include "platform/Wording.h"
#include "state/Announce.h"
#include "state/AppState.h"

#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUrlQuery>

namespace ProblemReport {

namespace {

constexpr int kLabelWidth = 10;
constexpr qint64 kMaxCpuInfoBytes = 1 << 20;
constexpr const char* kSubject = "Quorvane problem report";

QString line(const QString& label, const QString& value) {
    return label.leftJustified(kLabelWidth, QLatin1Char(' '), true) + value;
}

QString bodyTemplate() {
    return Wording::of(
        QStringLiteral("What happened:\n\n\nWhat you expected instead:\n\n\nWhat you were doing at the time:\n\n\n"
                       "\u2014\u2014\u2014\nThe lines below describe this Mac, not you. Delete any of them you would\n"
                       "rather not send.\n\n"));
}

} // namespace

Facts currentFacts(const ModeStore& modes) {
    Facts facts;
    facts.version = Updater::currentVersion();
    facts.build = BuildValues::buildNumber();
    facts.system = QSysInfo::prettyProductName();
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    facts.chip = cpuInfo.open(QIODevice::ReadOnly) ? chipFromCpuInfo(QString::fromUtf8(cpuInfo.read(kMaxCpuInfoBytes)))
                                                   : QStringLiteral("unknown");
    facts.engineRunning = AppState::shared().serverReady();
    facts.mode = modes.activeMode().name;
    return facts;
}

QString details(const Facts& facts) {
    return QStringList{
        line(QStringLiteral("Quorvane"), facts.version + QStringLiteral(" (") + facts.build + QLatin1Char(')')),
        line(Wording::of(QStringLiteral("macOS     ")), facts.system),
        line(Wording::of(QStringLiteral("Mac       ")), facts.chip),
        line(QStringLiteral("Engine"), facts.engineRunning ? QStringLiteral("running") : QStringLiteral("not started")),
        line(QStringLiteral("Mode"), facts.mode),
    }
        .join(QLatin1Char('\n'));
}

QString details(const ModeStore& modes) { return details(currentFacts(modes)); }

QString chipFromCpuInfo(const QString& cpuInfo) {
    for (const char* key : {"model name", "Hardware", "cpu model"}) {
        const QRegularExpression field(QStringLiteral("^%1\\s*:\\s*(.+)$").arg(QLatin1String(key)),
                                       QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = field.match(cpuInfo);
        if (match.hasMatch() && !match.captured(1).trimmed().isEmpty())
            return match.captured(1).trimmed();
    }
    return QStringLiteral("unknown");
}

QUrl mailUrl(const QString& details) {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(BuildValues::supportAddress());
    QUrlQuery query;
    // Fully encoded, so "+" and "&" in the text survive every mail program.
    query.addQueryItem(QStringLiteral("subject"), QString::fromUtf8(QUrl::toPercentEncoding(QLatin1String(kSubject))));
    query.addQueryItem(QStringLiteral("body"), QString::fromUtf8(QUrl::toPercentEncoding(bodyTemplate() + details)));
    url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url;
}

QString messageText(const QString& details) {
    return QStringLiteral("To: ") + BuildValues::supportAddress() + QStringLiteral("\nSubject: ")
           + QLatin1String(kSubject) + QStringLiteral("\n\n") + bodyTemplate() + details;
}

void open(const ModeStore& modes, const AlertPresenter& present) {
    const QString facts = details(modes);
    const QUrl url = mailUrl(facts);
    if (!url.isValid())
        return;
    const Platform& platform = Platform::current();
    if (platform.urlOpener && platform.urlOpener->open(url))
        return;
    if (platform.pasteboard) {
        platform.pasteboard->clear();
        platform.pasteboard->writeText(messageText(facts), false);
    }
    Announce::say(QStringLiteral("Support address copied"), false);
    Alert alert;
    alert.title = QStringLiteral("No mail program is set up");
    alert.text = QStringLiteral("The problem report and the address to send it to, ") + BuildValues::supportAddress()
                 + QStringLiteral(", are on the clipboard. Paste them into a new message in any mail program or web "
                                  "mail.");
    alert.buttons = {QStringLiteral("OK")};
    if (present)
        present(alert, [](int) {});
}

} // namespace ProblemReport
