#include "mainwindow/MainWindowPane.h"

namespace MainWindowPanes {

QList<MainWindowPane> all() {
    return {MainWindowPane::Dashboard, MainWindowPane::Dictation,   MainWindowPane::Modes,
            MainWindowPane::Reader,    MainWindowPane::Translation, MainWindowPane::Cleanup,
            MainWindowPane::Dictionary, MainWindowPane::Voice,      MainWindowPane::Instructions,
            MainWindowPane::General};
}

QString title(MainWindowPane pane) {
    switch (pane) {
    case MainWindowPane::Dashboard: return QStringLiteral("Dashboard");
    case MainWindowPane::Dictation: return QStringLiteral("Dictation");
    case MainWindowPane::Modes: return QStringLiteral("Modes");
    case MainWindowPane::Reader: return QStringLiteral("Reader");
    case MainWindowPane::Translation: return QStringLiteral("Translation");
    case MainWindowPane::Cleanup: return QStringLiteral("Cleanup");
    case MainWindowPane::Dictionary: return QStringLiteral("Dictionary");
    case MainWindowPane::Voice: return QStringLiteral("Your voice");
    case MainWindowPane::Instructions: return QStringLiteral("Instructions");
    case MainWindowPane::General: return QStringLiteral("General");
    }
    return {};
}

std::optional<MainWindowPane> fromTitle(const QString& text) {
    for (MainWindowPane pane : all())
        if (title(pane) == text)
            return pane;
    return std::nullopt;
}

} // namespace MainWindowPanes
