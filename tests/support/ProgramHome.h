#pragma once

#include "support/TempFolder.h"

#include <QProcessEnvironment>

// A private home for the real program under test: a temporary folder holding
// its settings file, and the environment that puts the program's settings,
// data and state there and points it at a test engine.
class ProgramHome : public TempFolder {
public:
    explicit ProgramHome(const QByteArray& settings) {
        write(QStringLiteral(".config/Quorvane/defaults.json"), settings);
    }

    QProcessEnvironment environment(const QString& engine) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), file(QStringLiteral(".local/share")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), file(QStringLiteral(".config")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), file(QStringLiteral(".local/state")));
        environment.insert(QStringLiteral("QV_ENGINE_ROOT"), engine);
        return environment;
    }
};
