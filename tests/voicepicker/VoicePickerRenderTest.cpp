#include "PickerFixture.h"
#include "reader/FlagChip.h"
#include "reader/VoiceCard.h"
#include "reader/VoiceStop.h"
#include "support/Artifacts.h"
#include "support/RenderCheck.h"
#include "support/ScopedLook.h"

#include <QApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// The program's own palette of the look.
QPalette look(bool dark) {
    const ScopedLook scoped(dark);
    return QApplication::palette();
}

QImage render(QWidget& widget, bool dark) {
    widget.setPalette(look(dark));
    widget.setAutoFillBackground(true);
    widget.ensurePolished();
    return widget.grab().toImage();
}

bool near(const QColor& a, const QColor& b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(VoicePickerRenderTest, PickerOnAmericanAndSpanishInBothLooks) {
    for (bool dark : {false, true}) {
        PickerFixture fixture(QStringLiteral("af_sarah"));
        auto picker = fixture.make();
        picker->resize(470, 380);
        picker->show();
        picker->setFocusStop(VoiceFocus::Flags);
        const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral("-light.png");
        const QImage american = render(*picker, dark);
        EXPECT_FALSE(Artifacts::save(american, QStringLiteral("picker-american") + suffix).isEmpty());
        RenderCheck::expectReadable(*picker, QStringLiteral("picker-american") + suffix);
        EXPECT_EQ(picker->cardsPerRow(), 3);

        // The cursor ring on the first chip is accent-coloured just outside its face.
        const FlagChip* chip = picker->chips()[0];
        const QPoint ring = chip->mapTo(picker.get(), QPoint(chip->width() / 2, 1));
        const QColor accent = look(dark).color(QPalette::Highlight);
        EXPECT_TRUE(near(american.pixelColor(ring), accent)) << american.pixelColor(ring).name().toStdString();
        const FlagChip* british = picker->chips()[1];
        const QPoint noRing = british->mapTo(picker.get(), QPoint(british->width() / 2, 1));
        EXPECT_TRUE(near(american.pixelColor(noRing), look(dark).color(QPalette::Window)));

        picker->moveFlags(MoveDirection::Right);
        picker->moveFlags(MoveDirection::Right);
        picker->setFocusStop(VoiceFocus::Voices);
        picker->moveVoices(MoveDirection::Right);
        const QImage spanish = render(*picker, dark);
        EXPECT_FALSE(Artifacts::save(spanish, QStringLiteral("picker-spanish") + suffix).isEmpty());
        RenderCheck::expectReadable(*picker, QStringLiteral("picker-spanish") + suffix);
        EXPECT_EQ(picker->cards().size(), 3);
        EXPECT_TRUE(picker->cards()[1]->isCursor());
    }
}

TEST(VoicePickerRenderTest, OneCardInEachLook) {
    const struct {
        const char* name;
        bool chosen, playing, cursor, hover;
    } looks[] = {
        {"plain", false, false, false, false},  {"chosen", true, false, false, false},
        {"playing", false, true, false, false}, {"cursor", false, false, true, false},
        {"hover", false, false, false, true},   {"chosen-playing", true, true, false, false},
    };
    for (bool dark : {false, true}) {
        QImage sheet(6 * 190, 96, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(look(dark).color(QPalette::Window));
        QPainter painter(&sheet);
        int x = 0;
        for (const auto& card : looks) {
            VoiceCard widget(KokoroVoice::named(QStringLiteral("af_heart")));
            widget.resize(180, widget.sizeHint().height());
            widget.setChosen(card.chosen);
            widget.setPlaying(card.playing);
            widget.setIsCursor(card.cursor);
            widget.setHovering(card.hover);
            const QImage image = render(widget, dark);
            painter.drawImage(x, 4, image);
            x += 190;

            const QColor edge = image.pixelColor(image.width() / 2, VoiceCard::kMargin);
            EXPECT_EQ(near(edge, look(dark).color(QPalette::Highlight), 90), card.chosen)
                << card.name << " border " << edge.name().toStdString();
            const QColor outside = image.pixelColor(image.width() / 2, 1);
            EXPECT_EQ(near(outside, look(dark).color(QPalette::Highlight), 90), card.cursor) << card.name << " ring";
        }
        painter.end();
        EXPECT_FALSE(Artifacts::save(sheet, dark ? QStringLiteral("cards-dark.png") : QStringLiteral("cards-light.png"))
                         .isEmpty());
    }
}

} // namespace
