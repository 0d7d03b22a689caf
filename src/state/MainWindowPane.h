#pragma once

#include <QColor>
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
// The symbol name of the page's sidebar icon ("mic.fill", …).
QString icon(MainWindowPane pane);
// The fill behind the page's sidebar icon.
QColor color(MainWindowPane pane);

// The desktop's standard accent colours the sidebar uses.
inline const QColor kOrange = QColor::fromRgbF(1.0f, 0.584f, 0.0f);
inline const QColor kBlue = QColor::fromRgbF(0.0f, 0.478f, 1.0f);
inline const QColor kPurple = QColor::fromRgbF(0.686f, 0.322f, 0.871f);
inline const QColor kTeal = QColor::fromRgbF(0.188f, 0.690f, 0.780f);
inline const QColor kGray = QColor::fromRgbF(0.557f, 0.557f, 0.576f);
inline const QColor kGreen = QColor::fromRgbF(0.204f, 0.780f, 0.349f);
// Letters and symbols on an orange fill.
inline const QColor kOnOrange = QColor(0x1d, 0x1d, 0x1f);

} // namespace MainWindowPanes
