// Saving a reading as M4A: the proposed name, the save panel, and the
// converter writing beside the destination.
#include "reader/ReaderWindowController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextBoundaryFinder>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The last line ffmpeg wrote that says something.
QString lastErrorLine(const QByteArray& output) {
    const QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    return QStringLiteral("The converter failed.");
}

bool isNameCharacter(char32_t c) { return c == U' ' || QChar::isLetterOrNumber(c) || QChar::isMark(c); }

QString firstCharacters(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int i = 0; i < count; ++i)
        if (finder.toNextBoundary() == -1)
            return text;
    return text.left(finder.position());
}

} // namespace

QString ReaderWindowController::suggestedName(const QString& text) {
    QString flat = text;
    flat.replace(u'\n', u' ');
    QStringList pieces;
    QString piece;
    for (const char32_t c : flat.toUcs4()) {
        if (isNameCharacter(c)) {
            piece += QString::fromUcs4(&c, 1);
        } else {
            if (!piece.isEmpty())
                pieces << piece;
            piece.clear();
        }
    }
    if (!piece.isEmpty())
        pieces << piece;
    const QStringList words = pieces.join(u' ').split(u' ', Qt::SkipEmptyParts).mid(0, kNameWords);
    const QString name = words.join(u' ').trimmed();
    if (name.isEmpty())
        return QStringLiteral("Reading.m4a");
    return firstCharacters(name, kNameCharacters) + QStringLiteral(".m4a");
}

QFuture<void> ReaderWindowController::exportAudio() {
    if (!m_wav || m_exporting)
        return QtFuture::makeReadyFuture();
    setExporting(true);
    // The save panel is modal and the reading goes on behind it: a reading
    // that finishes or fails meanwhile replaces the audio. What is saved, and
    // the name offered for it, are taken before the panel opens.
    const QByteArray audio = *m_wav;
    const quint64 reading = m_audioSerial;
    const std::optional<QString> destination = m_services.chooseDestination
                                                   ? m_services.chooseDestination(m_window, suggestedName(m_sourceText))
                                                   : std::nullopt;
    if (!destination || destination->isEmpty()) {
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    if (reading != m_audioSerial) {
        setStatus(kReadingChanged);
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString wavPath =
        QDir(QDir::tempPath()).filePath(QStringLiteral("quorvane-export-") + uuid + QStringLiteral(".wav"));
    QFile wavFile(wavPath);
    if (!wavFile.open(QIODevice::WriteOnly) || wavFile.write(audio) != audio.size() || !wavFile.flush()) {
        const QString error = wavFile.errorString();
        wavFile.close();
        QFile::remove(wavPath);
        setStatus(kCouldNotSave + error);
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    wavFile.close();
    if (m_services.converter.isEmpty()) {
        QFile::remove(wavPath);
        setStatus(kCouldNotConvert);
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    // The conversion writes beside the destination and replaces it only once
    // it finished, so a failure leaves the user's file as it was.
    const QString partial =
        QFileInfo(*destination).absoluteDir().filePath(QStringLiteral(".") + uuid + QStringLiteral(".m4a"));
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    const QString target = *destination;
    auto done = [this, process, wavPath, partial, target, promise](std::optional<QString> failure) {
        QFile::remove(wavPath);
        if (!failure && std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            failure = kCouldNotSave + QString::fromLocal8Bit(std::strerror(errno));
        if (failure) {
            QFile::remove(partial);
            setStatus(*failure);
        } else if (m_services.reveal) {
            m_services.reveal(target);
        }
        traceLine(QStringLiteral("export ") + (failure ? QStringLiteral("failed") : QStringLiteral("saved")));
        setExporting(false);
        process->deleteLater();
        finish(promise);
    };
    connect(process, &QProcess::finished, this, [process, done](int code, QProcess::ExitStatus exit) {
        if (exit == QProcess::NormalExit && code == 0)
            done(std::nullopt);
        else
            done(kCouldNotSave + lastErrorLine(process->readAll()));
    });
    connect(process, &QProcess::errorOccurred, this, [done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(kCouldNotConvert);
    });
    process->start(m_services.converter, {QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-i"),
                                          wavPath, QStringLiteral("-c:a"), QStringLiteral("aac"),
                                          QStringLiteral("-b:a"), QStringLiteral("128k"), partial});
    return promise->future();
}
