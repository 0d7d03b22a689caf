#pragma once

#include <QIcon>
#include <QString>

#include <optional>

// A snapshot of the application that will receive the dictated text.
struct FrontmostApp {
    QString name;
    QIcon icon;
    // The desktop-entry identifier, or the lower-cased window class; none when unknown.
    std::optional<QString> bundleID;
    qint64 pid = 0;

    // The frontmost application, none when there is none or it is this program.
    static std::optional<FrontmostApp> current();
};
