// The symbols the program draws: every drawing in resources/icons shows
// something, and every name the program's tables hold (modes, pages, voices)
// has a drawing. Names written out in the views are checked where the views
// are rendered (RenderCheck).
#include "looks/Symbols.h"
#include "cleanup/DictationMode.h"
#include "reader/KokoroVoice.h"
#include "reader/VoiceCard.h"
#include "state/MainWindowPane.h"
#include "support/Bundle.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr int kSide = 32;

// How many pixels of the symbol's drawing at 32 × 32 are not transparent.
int inkedPixels(const QString& name) {
    const QImage drawn = Symbols::icon(name).pixmap(kSide, kSide).toImage();
    int inked = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            inked += qAlpha(drawn.pixel(x, y)) > 0;
    return inked;
}

TEST(SymbolsTest, EveryDrawingShowsSomething) {
    const QDir icons(Bundle::resource(QStringLiteral("icons")));
    const QStringList files = icons.entryList({QStringLiteral("*.svg")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << icons.path().toStdString();
    for (const QString& file : files) {
        const QString name = file.chopped(4);
        EXPECT_GT(inkedPixels(name), kSide) << name.toStdString();
    }
    EXPECT_TRUE(Symbols::icon(QStringLiteral("no.such.symbol")).isNull());
}

TEST(SymbolsTest, EveryNameInTheProgramsTablesHasADrawing) {
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    QStringList names;
    for (const DictationMode& mode : DictationMode::builtIns(defaults))
        names << mode.symbol;
    for (const MainWindowPane pane : MainWindowPanes::all())
        names << MainWindowPanes::icon(pane);
    for (const KokoroVoice& voice : KokoroVoice::all())
        names << voice.glyph() << VoiceCard::figure(voice);
    names.removeDuplicates();
    for (const QString& name : std::as_const(names))
        EXPECT_GT(inkedPixels(name), kSide) << name.toStdString();
}

} // namespace
