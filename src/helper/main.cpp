// quorvane-helper: one sub-command per run (see HelperProgram.h).
#include "helper/HelperProgram.h"

#include "platform/Platform.h"
#include "platform/linux/LinuxOnDeviceModel.h"

#include <cstdio>

namespace {

QByteArray readStandardInput(qint64 limit) {
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() < limit) {
        const size_t wanted = size_t(std::min<qint64>(sizeof buffer, limit - bytes.size()));
        const size_t got = std::fread(buffer, 1, wanted, stdin);
        if (got == 0)
            break;
        bytes.append(buffer, qsizetype(got));
    }
    return bytes;
}

void writeTo(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[]) {
    LinuxOnDeviceModel model;
    Platform services;
    services.onDeviceModel = &model;
    Platform::install(services);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    const Helper::Streams streams{
        readStandardInput,
        [](const QByteArray& bytes) { writeTo(stdout, bytes); },
        [](const QByteArray& bytes) { writeTo(stderr, bytes); },
    };
    return Helper::run(arguments, streams);
}
