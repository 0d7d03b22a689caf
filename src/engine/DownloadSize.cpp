#include "engine/DownloadSize.h"

#include <cmath>

namespace DownloadSize {

namespace {

constexpr double kGigabyte = 1e9;
constexpr double kMegabyte = 1e6;

} // namespace

QString about(qint64 bytes) {
    if (double(bytes) >= kGigabyte)
        return QStringLiteral("about %1 GB").arg(double(bytes) / kGigabyte, 0, 'f', 1);
    if (double(bytes) >= kMegabyte)
        return QStringLiteral("about %1 MB").arg(std::llround(double(bytes) / kMegabyte));
    return QStringLiteral("under 1 MB");
}

} // namespace DownloadSize
