#pragma once

#include <QString>

// A download's size as the engine's texts give it: "about 1.2 GB" from a
// gigabyte up, "about 37 MB" from a megabyte up, "under 1 MB" below (decimal
// units, as a download reads).
namespace DownloadSize {

QString about(qint64 bytes);

} // namespace DownloadSize
