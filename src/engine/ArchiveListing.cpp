#include "engine/ArchiveListing.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// "<mode> <uid>/<gid> <size> <date> <time> <name>", size "<major>,<minor>"
// for devices.
const QRegularExpression
    kLine(QStringLiteral(R"(^(\S)\S{9}\S*\s+\S+\s+(\S+)\s+\d{4}-\d\d-\d\d\s+\d\d:\d\d(?::\d\d)?\s(.+)$)"));
constexpr auto kLinkArrow = " -> ";

bool climbs(const QString& path) {
    const QStringList parts = path.split(QLatin1Char('/'));
    return parts.contains(QStringLiteral(".."));
}

} // namespace

namespace ArchiveListing {

std::optional<QString> refusal(const QByteArray& listing) {
    qint64 total = 0;
    const QStringList lines = QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return QStringLiteral("empty archive");
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = kLine.match(line);
        if (!match.hasMatch())
            return QStringLiteral("unreadable listing line: ") + line;
        const QChar type = match.captured(1).at(0);
        QString name = match.captured(3);
        QString target;
        if (type == QLatin1Char('l')) {
            const qsizetype arrow = name.indexOf(QLatin1String(kLinkArrow));
            if (arrow < 0 || name.indexOf(QLatin1String(kLinkArrow), arrow + 1) >= 0)
                return QStringLiteral("unreadable link: ") + name;
            target = name.mid(arrow + qsizetype(qstrlen(kLinkArrow)));
            name.truncate(arrow);
        }
        if (name.startsWith(QLatin1Char('/')))
            return QStringLiteral("absolute name ") + name;
        if (climbs(name))
            return QStringLiteral("name climbs out: ") + name;
        switch (type.toLatin1()) {
        case '-':
        case 'd':
            break;
        case 'l':
            if (target.isEmpty() || target.startsWith(QLatin1Char('/')) || climbs(target))
                return QStringLiteral("link leaves the staging folder: ") + name + QLatin1String(kLinkArrow) + target;
            break;
        case 'h':
            return QStringLiteral("hard link ") + name;
        default:
            return QStringLiteral("device or special file ") + name;
        }
        bool ok = false;
        const qint64 size = match.captured(2).toLongLong(&ok);
        if (!ok || size < 0)
            return QStringLiteral("unreadable size: ") + line;
        total += size;
        if (total > kMaxUnpackedBytes)
            return QStringLiteral("unpacked size over 4 GiB");
    }
    return std::nullopt;
}

} // namespace ArchiveListing
