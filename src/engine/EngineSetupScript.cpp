#include "engine/EngineSetupScript.h"

#include "engine/EnginePackage.h"
#include "engine/EngineTrust.h"
#include "engine/SetupChildren.h"
#include "support/Bundle.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QUuid>
#include <QtConcurrent>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// The key the build enciphers "engine.dat" with (cmake/EngineArchive.cmake).
constexpr char kKey[] = QUORVANE_SETUP_KEY;
static_assert(sizeof(kKey) - 1 == 22, "the set-up key is 22 characters");

constexpr auto kScriptPrefix = "qv-setup-";

struct Phrase {
    QStringList phrases;
    const char* text;
};

const QList<Phrase>& phrases() {
    static const QList<Phrase> table = {
        {{QStringLiteral("successfully installed"), QStringLiteral("verifying")}, "Quorvaneing\u2026 almost ready"},
        {{QStringLiteral("installing collected"), QStringLiteral("building wheel"),
          QStringLiteral("preparing metadata")},
         "Quorvaneing\u2026 putting it together"},
        {{QStringLiteral("downloading"), QStringLiteral("collecting"), QStringLiteral("fetching"),
          QStringLiteral("resolved")},
         "Quorvaneing\u2026 gathering the pieces"},
        {{QStringLiteral("creating virtual environment"), QStringLiteral("creating venv"),
          QStringLiteral("using cpython")},
         "Quorvaneing\u2026 making room"},
    };
    return table;
}

bool executable(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

namespace EngineSetupScript {

QStringList toolPaths() {
    QStringList folders;
    const QString resources = Bundle::resourceFolder();
    if (!resources.isEmpty())
        folders.append(resources + QStringLiteral("/bin"));
    folders << Paths::home() + QStringLiteral("/.local/bin") << QStringLiteral("/opt/homebrew/bin")
            << QStringLiteral("/usr/local/bin");
    return folders;
}

std::optional<QString> locateUv(const QStringList& folders, const QString& python) {
    for (const QString& folder : folders) {
        const QString uv = folder + QStringLiteral("/uv");
        if (executable(uv))
            return uv;
    }
    if (executable(python))
        return python;
    return std::nullopt;
}

std::optional<QString> locateUv() { return locateUv(toolPaths(), QLatin1String(kSystemPython)); }

QByteArray decipher(const QByteArray& data) {
    QByteArray out(data.size(), Qt::Uninitialized);
    constexpr qsizetype keyLength = sizeof(kKey) - 1;
    for (qsizetype i = 0; i < data.size(); ++i)
        out[i] = char(data.at(i) ^ kKey[i % keyLength]);
    return out;
}

std::optional<QString> stagedSetupScript(const QString& resource) {
    QFile source(resource);
    if (resource.isEmpty() || !source.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray script = decipher(source.readAll());
    // mkdtemp makes the folder 0700; the file is 0700 from its creation.
    QByteArray folder = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + QLatin1String(kScriptPrefix)
                                          + QStringLiteral("XXXXXX"));
    if (!mkdtemp(folder.data()))
        return std::nullopt;
    const QString path = QFile::decodeName(folder) + QLatin1Char('/') + QLatin1String(kScriptPrefix)
                         + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".sh");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
    bool written = fd >= 0;
    for (qsizetype done = 0; written && done < script.size();) {
        const ssize_t n = ::write(fd, script.constData() + done, size_t(script.size() - done));
        written = n > 0;
        done += n > 0 ? n : 0;
    }
    if (fd >= 0)
        ::close(fd);
    if (!written) {
        discard(path);
        return std::nullopt;
    }
    return path;
}

std::optional<QString> stagedSetupScript() {
    return stagedSetupScript(Bundle::resource(QLatin1String(kScriptResource)));
}

void discard(const QString& script) {
    QFile::remove(script);
    const QFileInfo folder(QFileInfo(script).absolutePath());
    if (folder.fileName().startsWith(QLatin1String(kScriptPrefix)))
        QDir().rmdir(folder.absoluteFilePath());
}

std::optional<QString> friendlyStage(const QString& chunk) {
    const QString lower = chunk.toLower();
    for (const Phrase& row : phrases()) {
        for (const QString& phrase : row.phrases) {
            if (lower.contains(phrase))
                return QString::fromUtf8(row.text);
        }
    }
    return std::nullopt;
}

QStringList searchPath(const std::optional<QString>& path) {
    QStringList parts = toolPaths();
    parts.append(path.value_or(QLatin1String(kFallbackPath)));
    return parts;
}

QFuture<bool> runProcess(const QString& program, const QStringList& arguments, std::function<void(QString)> onDetail,
                         std::chrono::milliseconds deadline) {
    return QtConcurrent::run([program, arguments, onDetail = std::move(onDetail), deadline] {
        QProcessEnvironment environment =
            EngineTrust::environment(QProcessEnvironment::systemEnvironment(), EngineTrust::bundledList());
        const std::optional<QString> path = environment.contains(QStringLiteral("PATH"))
                                                ? std::optional(environment.value(QStringLiteral("PATH")))
                                                : std::nullopt;
        environment.insert(QStringLiteral("PATH"), searchPath(path).join(QLatin1Char(':')));
        QFile log(EnginePackage::logFile());
        const bool logging = PrivateFiles::open(log, QIODevice::WriteOnly | QIODevice::Truncate);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (!SetupChildren::start(process, program, arguments, deadline))
            return false;
        QString lastDetail;
        const auto take = [&] {
            const QByteArray chunk = process.readAllStandardOutput();
            if (chunk.isEmpty())
                return;
            if (logging)
                log.write(chunk);
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QString text = decoder.decode(chunk);
            if (decoder.hasError())
                return;
            if (const auto detail = friendlyStage(text); detail && *detail != lastDetail) {
                lastDetail = *detail;
                onDetail(*detail);
            }
        };
        if (!SetupChildren::waitFor(process, deadline, take)) {
            if (logging && SetupChildren::ending())
                log.write("\n[quorvane] the program quit, and the set-up script was ended\n");
            else if (logging)
                log.write(QStringLiteral("\n[quorvane] the set-up script did not finish within %1 s and was ended\n")
                              .arg(std::chrono::duration_cast<std::chrono::seconds>(deadline).count())
                              .toUtf8());
            return false;
        }
        take();
        log.close();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    });
}

} // namespace EngineSetupScript
