#include "platform/linux/LinuxMemoryPressure.h"

#include <QFile>
#include <QList>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

// The "avg10=" figure of the line that starts with `kind` ("some" or "full").
std::optional<double> psiAverage(const QByteArray& text, const QByteArray& kind) {
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.isEmpty() || fields.first() != kind)
            continue;
        for (const QByteArray& field : fields) {
            if (!field.startsWith("avg10="))
                continue;
            bool ok = false;
            const double value = field.mid(6).toDouble(&ok);
            if (ok)
                return value;
        }
    }
    return std::nullopt;
}

std::optional<qint64> meminfoKilobytes(const QByteArray& text, const QByteArray& key) {
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith(key + ':'))
            continue;
        const QList<QByteArray> fields = line.mid(key.size() + 1).simplified().split(' ');
        bool ok = false;
        const qint64 value = fields.value(0).toLongLong(&ok);
        if (ok && value >= 0)
            return value;
    }
    return std::nullopt;
}

int rank(std::optional<MemoryPressure::Level> level) {
    if (!level)
        return 0;
    return *level == MemoryPressure::Level::Warning ? 1 : 2;
}

} // namespace

LinuxMemoryPressure::LinuxMemoryPressure(QString psiFile, QString meminfoFile, int intervalMs, QObject* parent)
    : QObject(parent), m_psiFile(std::move(psiFile)), m_meminfoFile(std::move(meminfoFile)) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LinuxMemoryPressure::check);
}

void LinuxMemoryPressure::watch(Handler handler) {
    m_handler = std::move(handler);
    m_last.reset();
    m_timer.start();
}

void LinuxMemoryPressure::stopWatching() {
    m_timer.stop();
    m_handler = nullptr;
}

LinuxMemoryPressure::Reading LinuxMemoryPressure::fromPsi(const QByteArray& text) {
    const auto some = psiAverage(text, "some");
    if (!some)
        return {};
    const double full = psiAverage(text, "full").value_or(0.0);
    if (full >= 10.0)
        return {true, Level::Critical};
    if (*some >= 10.0)
        return {true, Level::Warning};
    return {true, std::nullopt};
}

LinuxMemoryPressure::Reading LinuxMemoryPressure::fromMeminfo(const QByteArray& text) {
    const auto total = meminfoKilobytes(text, "MemTotal");
    const auto available = meminfoKilobytes(text, "MemAvailable");
    if (!total || !available || *total == 0)
        return {};
    const double share = double(*available) / double(*total);
    if (share < 0.05)
        return {true, Level::Critical};
    if (share < 0.10)
        return {true, Level::Warning};
    return {true, std::nullopt};
}

void LinuxMemoryPressure::check() {
    Reading reading = fromPsi(readFile(m_psiFile));
    if (!reading.valid)
        reading = fromMeminfo(readFile(m_meminfoFile));
    if (!reading.valid)
        return;
    const bool rose = rank(reading.level) > rank(m_last);
    m_last = reading.level;
    if (rose && m_handler)
        m_handler(*reading.level);
}
