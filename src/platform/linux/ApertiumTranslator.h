#pragma once

#include "platform/OnDeviceTranslator.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QFileSystemWatcher;
class QTimer;

// On-device translation with Apertium. Each installed language pair is a mode
// file in the data folder's "modes" folder ("eng-spa.mode"); a translation runs
// `apertium -u <mode>` as a process on a worker thread, with a time-out. Only
// direct pairs are offered: a pair that would need a third language in between
// counts as unsupported. A pair that is not installed but that a Debian
// package provides is `Supported`, and its install command names the package.
class ApertiumTranslator : public OnDeviceTranslator {
public:
    // $APERTIUM_DATADIR, else the folder Debian's pair packages install into.
    static QString standardDataFolder();

    explicit ApertiumTranslator(QString program = QStringLiteral("apertium"), QString dataFolder = standardDataFolder(),
                                std::chrono::milliseconds timeout = std::chrono::seconds(30));
    ~ApertiumTranslator() override;

    // How long the modes folder must be quiet before a change is reported.
    static constexpr std::chrono::milliseconds kSettleTime{500};

    bool isAvailable() override;
    PairStatus status(const QString& source, const QString& target) override;
    QFuture<std::optional<QString>> translate(const QString& text, const QString& source,
                                              const QString& target) override;
    std::unique_ptr<PairSnapshot> snapshot() override;
    std::optional<QString> installCommand(const QString& source, const QString& target) override;
    std::optional<QString> removeCommand(const QString& source, const QString& target) override;
    // Watches the data folder and its modes folder.
    void watchInstalledPairs(std::function<void()> changed) override;

    // The Debian package that provides the pair, installed or not.
    static std::optional<QString> packageFor(const QString& source, const QString& target);

    // The names of the installed modes ("eng-spa", "spa-eng_US"), sorted.
    QStringList installedModes() const;

private:
    QString m_program;
    QString m_dataFolder;
    std::chrono::milliseconds m_timeout;
    std::function<void()> m_changed;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    std::unique_ptr<QTimer> m_settle;

    void watchFolders();
};
