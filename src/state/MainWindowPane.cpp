#include "state/MainWindowPane.h"

namespace MainWindowPanes {

QList<MainWindowPane> all() {
    return {MainWindowPane::Dashboard,    MainWindowPane::Dictation, MainWindowPane::Modes,      MainWindowPane::Reader,
            MainWindowPane::Translation,  MainWindowPane::Cleanup,   MainWindowPane::Dictionary, MainWindowPane::Voice,
            MainWindowPane::Instructions, MainWindowPane::General};
}

QString title(MainWindowPane pane) {
    switch (pane) {
    case MainWindowPane::Dashboard:
        return QStringLiteral("Dashboard");
    case MainWindowPane::Dictation:
        return QStringLiteral("Dictation");
    case MainWindowPane::Modes:
        return QStringLiteral("Modes");
    case MainWindowPane::Reader:
        return QStringLiteral("Reader");
    case MainWindowPane::Translation:
        return QStringLiteral("Translation");
    case MainWindowPane::Cleanup:
        return QStringLiteral("Cleanup");
    case MainWindowPane::Dictionary:
        return QStringLiteral("Dictionary");
    case MainWindowPane::Voice:
        return QStringLiteral("Your voice");
    case MainWindowPane::Instructions:
        return QStringLiteral("Instructions");
    case MainWindowPane::General:
        return QStringLiteral("General");
    }
    return {};
}

std::optional<MainWindowPane> fromTitle(const QString& text) {
    for (MainWindowPane pane : all())
        if (title(pane) == text)
            return pane;
    return std::nullopt;
}

QString icon(MainWindowPane pane) {
    switch (pane) {
    case MainWindowPane::Dashboard:
        return QStringLiteral("square.grid.2x2.fill");
    case MainWindowPane::Dictation:
        return QStringLiteral("mic.fill");
    case MainWindowPane::Modes:
        return QStringLiteral("square.on.square");
    case MainWindowPane::Reader:
        return QStringLiteral("speaker.wave.2.fill");
    case MainWindowPane::Translation:
        return QStringLiteral("globe");
    case MainWindowPane::Cleanup:
        return QStringLiteral("wand.and.sparkles");
    case MainWindowPane::Dictionary:
        return QStringLiteral("character.book.closed.fill");
    case MainWindowPane::Voice:
        return QStringLiteral("waveform.badge.mic");
    case MainWindowPane::Instructions:
        return QStringLiteral("keyboard.fill");
    case MainWindowPane::General:
        return QStringLiteral("gearshape.fill");
    }
    return {};
}

QColor color(MainWindowPane pane) {
    switch (pane) {
    case MainWindowPane::Dashboard:
        return kOrange;
    case MainWindowPane::Dictation:
        return QColor::fromRgbF(0.921f, 0.436f, 0.233f);
    case MainWindowPane::Modes:
        return QColor::fromRgbF(0.85f, 0.35f, 0.45f);
    case MainWindowPane::Reader:
        return kBlue;
    case MainWindowPane::Translation:
        return QColor::fromRgbF(0.2f, 0.62f, 0.45f);
    case MainWindowPane::Cleanup:
        return kPurple;
    case MainWindowPane::Dictionary:
        return kTeal;
    case MainWindowPane::Voice:
        return QColor::fromRgbF(0.36f, 0.58f, 0.72f);
    case MainWindowPane::Instructions:
        return QColor::fromRgbF(0.42f, 0.36f, 0.78f);
    case MainWindowPane::General:
        return kGray;
    }
    return {};
}

} // namespace MainWindowPanes
