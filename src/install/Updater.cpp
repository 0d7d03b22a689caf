#include "install/Updater.h"

#include "install/InstallFolder.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace Updater {

namespace {

constexpr const char* kReceiptName = "last-update.txt";

// A decimal integer with an optional sign and nothing else; 0 otherwise,
// including when it does not fit in 64 bits.
qint64 pieceValue(const QString& piece) {
    qsizetype digitsFrom = 0;
    if (piece.startsWith(QLatin1Char('+')) || piece.startsWith(QLatin1Char('-')))
        digitsFrom = 1;
    if (piece.size() == digitsFrom)
        return 0;
    for (qsizetype i = digitsFrom; i < piece.size(); ++i) {
        if (piece[i] < QLatin1Char('0') || piece[i] > QLatin1Char('9'))
            return 0;
    }
    bool ok = false;
    const qint64 value = piece.toLongLong(&ok, 10);
    return ok ? value : 0;
}

} // namespace

QString currentVersion() {
    if (const auto folder = InstallFolder::running()) {
        if (const auto version = InstallFolder::markerVersion(*folder))
            return *version;
    }
    const QString built = QStringLiteral(QUORVANE_VERSION);
    return built.isEmpty() ? QStringLiteral("0") : built;
}

bool isNewer(const QString& a, const QString& b) {
    const QStringList left = a.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const QStringList right = b.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 x = i < left.size() ? pieceValue(left[i]) : 0;
        const qint64 y = i < right.size() ? pieceValue(right[i]) : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

QString receiptPath() { return Paths::engineFolder() + QLatin1Char('/') + QLatin1String(kReceiptName); }

std::optional<Receipt> parseReceipt(const QString& text) {
    const QStringList pieces = text.split(QLatin1Char('\n'));
    if (pieces.size() < 2)
        return std::nullopt;
    return Receipt{pieces[0], pieces[1], pieces.mid(2).join(QLatin1Char('\n')).trimmed()};
}

std::optional<Receipt> lastAttempt() {
    QFile file(receiptPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseReceipt(QString::fromUtf8(file.readAll()));
}

void writeReceipt(const QString& status, const QString& version, const QString& detail) {
    QSaveFile file(receiptPath());
    if (!PrivateFiles::open(file, QIODevice::WriteOnly))
        return;
    file.write((QStringList{status, version, detail}.join(QLatin1Char('\n'))).toUtf8());
    file.commit();
}

void clearReceipt() { QFile::remove(receiptPath()); }

} // namespace Updater
