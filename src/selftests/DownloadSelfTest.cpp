#include "selftests/SelfTestRun.h"
#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "engine/ModelDownload.h"
#include "engine/ModelDownloader.h"
#include "engine/ModelTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <memory>

namespace SelfTests {
namespace {

const QString kFile = QStringLiteral("config.json");

} // namespace

void downloadModelFile(const QString& path) {
    auto* run = SelfTestRun::begin();
    auto written = std::make_shared<qint64>(0);
    auto* downloader = new ModelDownloader([written](qint64 bytes, qint64) { *written = bytes; }, run);
    // The project's own base, never the override or the mirror; no file of
    // the model is larger than the whole model.
    const QUrl url(ModelTable::address(ModelTable::projectBase(), kFile));
    downloader
        ->download(url, ModelDownload::kIdleTimeout, QDir::tempPath(), ModelTable::totalBytes(ModelTable::files()))
        .then(run, [run, path, written](const ModelDownloader::Result& result) {
            qint64 size = -1;
            if (!result.filePath.isEmpty()) {
                const QFileInfo fetched(result.filePath);
                if (fetched.exists())
                    size = fetched.size();
                // The fetched copy is only measured.
                QFile::remove(result.filePath);
            }
            SelfTestText::write(path, QStringLiteral("status=%1 size=%2 progressSeen=%3 error=%4")
                                          .arg(result.status)
                                          .arg(size)
                                          .arg(*written)
                                          .arg(result.error.value_or(QStringLiteral("none"))));
            run->end();
        });
}

} // namespace SelfTests
