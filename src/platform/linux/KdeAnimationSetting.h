#pragma once

#include "platform/linux/AnimationSource.h"

#include <QStringList>

#include <memory>
#include <optional>

class QFileSystemWatcher;

// KDE's animation speed: AnimationDurationFactor in the [KDE] group of
// kdeglobals, 0 meaning animations off. The user's file (in
// $XDG_CONFIG_HOME) wins over the system's ($XDG_CONFIG_DIRS). The folders are
// watched, as KDE replaces the file when it saves it. GUI thread.
class KdeAnimationSetting : public AnimationSource {
    Q_OBJECT
public:
    // The user's configuration folder, then the system's, most important first.
    static QStringList standardFolders();

    explicit KdeAnimationSetting(QStringList folders = standardFolders());
    ~KdeAnimationSetting() override;

    std::optional<bool> animationsEnabled() const override;

    // The factor a kdeglobals text holds, or none.
    static std::optional<double> durationFactor(const QByteArray& kdeglobals);

private:
    std::optional<bool> read() const;
    void watch();

    QStringList m_folders;
    std::optional<bool> m_enabled;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
};
