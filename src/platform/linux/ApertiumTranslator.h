#pragma once

#include "platform/OnDeviceTranslator.h"

#include <QStringList>

#include <chrono>

// On-device translation with Apertium. Each installed language pair is a mode
// file in the data folder's "modes" folder ("eng-spa.mode"); a translation runs
// `apertium -u <mode>` as a process on a worker thread, with a time-out. Only
// direct pairs are offered: a pair that would need a third language in between
// counts as unsupported.
class ApertiumTranslator : public OnDeviceTranslator {
public:
    // $APERTIUM_DATADIR, else the folder Debian's pair packages install into.
    static QString standardDataFolder();

    explicit ApertiumTranslator(QString program = QStringLiteral("apertium"),
                                QString dataFolder = standardDataFolder(),
                                std::chrono::milliseconds timeout = std::chrono::seconds(30));

    bool isAvailable() override;
    PairStatus status(const QString& source, const QString& target) override;
    QFuture<std::optional<QString>> translate(const QString& text, const QString& source,
                                              const QString& target) override;

    // The names of the installed modes ("eng-spa", "spa-eng_US"), sorted.
    QStringList installedModes() const;

private:
    QString m_program;
    QString m_dataFolder;
    std::chrono::milliseconds m_timeout;
};
