#pragma once

#include <QList>
#include <QString>

#include <optional>

// The pages of the main window, in sidebar order. Each page's stored and shown
// name is its sidebar title.
enum class MainWindowPane {
    Dashboard,
    Dictation,
    Modes,
    Reader,
    Translation,
    Cleanup,
    Dictionary,
    Voice,
    Instructions,
    General,
};

namespace MainWindowPanes {

QList<MainWindowPane> all();
QString title(MainWindowPane pane);
std::optional<MainWindowPane> fromTitle(const QString& title);

} // namespace MainWindowPanes
