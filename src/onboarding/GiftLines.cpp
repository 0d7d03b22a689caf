#include "onboarding/GiftLines.h"

#include "platform/Wording.h"

#include <QDir>
#include <QFile>

namespace GiftLines {
namespace {

std::optional<QString> readTrimmed(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return std::nullopt;
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = QString::fromUtf8(file.readAll()).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace

QString greeting(const QString& folder) {
    return readTrimmed(folder, QStringLiteral("gift-greeting.txt")).value_or(Wording::of(kBuiltInGreeting));
}

std::optional<QString> whisper(const QString& folder) {
    return readTrimmed(folder, QStringLiteral("gift-whisper.txt"));
}

} // namespace GiftLines
