#include "support/StoreFile.h"

#include "support/JsonWriter.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimeZone>

#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

// A write stages the new contents in "." + name + kStagedSuffix beside the
// file and renames that over it. QSaveFile writes the staged copy through a
// temporary file of its own, unnamed where the file system allows and
// otherwise "<staged name>.XXXXXX" (six ASCII letters), so everything an
// interrupted write can leave starts with the staged name.
constexpr auto kStagedSuffix = ".quorvane-save";
constexpr int kSaveFileSuffixLength = 6;

QString stagedName(const QString& fileName) { return QLatin1Char('.') + fileName + QLatin1String(kStagedSuffix); }

// The file a write replaces: a store kept as a symbolic link keeps its link.
QFileInfo replaced(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? QFileInfo(info.symLinkTarget()) : info;
}

} // namespace

StoreFile::StoreFile(QString path) : m_path(std::move(path)) {}

int StoreFile::sweepLeftovers(const QString& path) {
    const QFileInfo target = replaced(path);
    const QDir folder = target.absoluteDir();
    const QString staged = stagedName(target.fileName());
    const QRegularExpression leftover(QLatin1Char('^') + QRegularExpression::escape(staged)
                                      + QStringLiteral("(\\.[A-Za-z]{") + QString::number(kSaveFileSuffixLength)
                                      + QStringLiteral("})?$"));
    int swept = 0;
    const QStringList names = folder.entryList({staged + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (!leftover.match(name).hasMatch())
            continue;
        if (QFile::remove(folder.filePath(name)))
            ++swept;
        else
            qWarning("Could not remove %s, left by an interrupted write", qPrintable(folder.filePath(name)));
    }
    return swept;
}

std::optional<QJsonDocument> StoreFile::readJson() {
    sweepLeftovers(m_path);
    QFile in(m_path);
    if (!in.exists())
        return std::nullopt;
    if (!in.open(QIODevice::ReadOnly)) {
        m_undecodable = true;
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        m_undecodable = true;
        return std::nullopt;
    }
    return document;
}

QString StoreFile::asideName(const QString& path, const QDateTime& utcNow) {
    return path + QStringLiteral(".unreadable-") + utcNow.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

bool StoreFile::moveAside(const QString& path) {
    const QString base = asideName(path, QDateTime::currentDateTimeUtc());
    QString aside = base;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    return QFile::rename(path, aside);
}

bool StoreFile::write(const QByteArray& data) {
    PrivateFiles::makeFolder(QFileInfo(m_path).absolutePath());
    if (m_undecodable && QFile::exists(m_path) && !moveAside(m_path)) {
        // Never replace contents that could not be kept elsewhere.
        qWarning("Not writing %s: the unreadable file could not be moved aside", qPrintable(m_path));
        return false;
    }
    m_undecodable = false;
    const QFileInfo target = replaced(m_path);
    const QString staged = target.absoluteDir().filePath(stagedName(target.fileName()));
    QSaveFile out(staged);
    if (!PrivateFiles::open(out, QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
        qWarning("Could not write %s: %s", qPrintable(staged), qPrintable(out.errorString()));
        return false;
    }
    // The file keeps its owner's rights; nobody else gets any.
    if (target.exists())
        QFile::setPermissions(staged, target.permissions() & PrivateFiles::kOwnerBits);
    // A rename over the file is atomic: a reader sees the old contents or the new.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(staged).toStdString(),
                            QFile::encodeName(target.absoluteFilePath()).toStdString(), error);
    if (error) {
        qWarning("Could not replace %s: %s", qPrintable(target.absoluteFilePath()), error.message().c_str());
        QFile::remove(staged);
        return false;
    }
    return true;
}

namespace StoreJson {

std::optional<QString> string(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<std::optional<QString>> optionalString(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::optional<QString>();
    if (!v.isString())
        return std::nullopt;
    return std::optional<QString>(v.toString());
}

std::optional<double> number(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

std::optional<qint64> integer(const QJsonObject& object, const QString& key) {
    const std::optional<double> n = number(object, key);
    // 2^63 is exactly representable; anything from it up does not fit.
    if (!n || !std::isfinite(*n) || std::trunc(*n) != *n || *n >= 9223372036854775808.0 || *n < -9223372036854775808.0)
        return std::nullopt;
    return qint64(*n);
}

std::optional<QUuid> uuid(const QJsonObject& object, const QString& key) {
    const std::optional<QString> text = string(object, key);
    if (!text || text->size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(*text);
    if (id.isNull() && *text != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

std::optional<QDateTime> date(const QJsonObject& object, const QString& key) {
    const std::optional<double> seconds = number(object, key);
    // Beyond about ±300,000 years the millisecond count would overflow.
    if (!seconds || !std::isfinite(*seconds) || std::fabs(*seconds) > 1e13)
        return std::nullopt;
    return JsonWriter::dateFromReferenceSeconds(*seconds);
}

std::optional<QStringList> stringList(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    if (!v.isArray())
        return std::nullopt;
    QStringList texts;
    for (const QJsonValue& item : v.toArray()) {
        if (!item.isString())
            return std::nullopt;
        texts.append(item.toString());
    }
    return texts;
}

} // namespace StoreJson
