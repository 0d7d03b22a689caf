// The main window on the Dashboard with seeded stores, rendered offscreen in
// the light and the dark look: the pictures go to the build folder's
// artifacts/ and the test checks texts and colours at known points.
#include "install/Updater.h"
#include "looks/Appearance.h"
#include "looks/TrademarkedText.h"
#include "mainwindow/AboutPane.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/GreetingLine.h"
#include "mainwindow/HeroCard.h"
#include "mainwindow/MainWindowView.h"
#include "mainwindow/PhoneNoteRow.h"
#include "mainwindow/RecentDictationRow.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakeNoteTarget.h"
#include "support/FakePhoneNotesInbox.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(9, 15));

class DashboardRenderTest : public ::testing::TestWithParam<bool> {
protected:
    DashboardRenderTest() {
        defaults.set(QStringLiteral("appearance"), GetParam() ? QStringLiteral("dark") : QStringLiteral("light"));
        applyStoredAppearance(defaults, nullptr);

        stats.setTotals({1234, 31, 1234 / 142.0 * 60});
        HistoryEntry translated{QUuid::createUuid(),
                                kNow.addSecs(-120),
                                QStringLiteral("Mail"),
                                QStringLiteral("Nos vemos el jueves a las tres."),
                                QStringLiteral("See you Thursday at three."),
                                QStringLiteral("en"),
                                QStringLiteral("es")};
        HistoryEntry plain{QUuid::createUuid(),
                           kNow.addSecs(-3 * 3600),
                           QStringLiteral("Terminal"),
                           QStringLiteral("Please move the review to Thursday afternoon."),
                           {},
                           {},
                           {}};
        HistoryEntry noApp{QUuid::createUuid(),
                           kNow.addSecs(-2 * 86400),
                           QString(),
                           QStringLiteral("Remember to water the plants."),
                           {},
                           {},
                           {}};
        history.setEntries({translated, plain, noApp});

        PhoneNote cleaned{QUuid::createUuid(),
                          QStringLiteral("Groceries"),
                          QStringLiteral("Milk, eggs and bread."),
                          kNow.addSecs(-600),
                          5,
                          QStringLiteral("Pixel"),
                          QStringLiteral("p1"),
                          QStringLiteral("milk um eggs and uh bread"),
                          QStringLiteral("Notes")};
        PhoneNote untitled{QUuid::createUuid(),
                           {},
                           QStringLiteral("call the plumber about the kitchen sink tomorrow morning"),
                           kNow.addSecs(-3600),
                           7,
                           {},
                           {},
                           {},
                           {}};
        PhoneNote third{QUuid::createUuid(),
                        QStringLiteral("Idea"),
                        QStringLiteral("A <b>bold</b> idea, kept as typed."),
                        kNow.addSecs(-7200),
                        3,
                        {},
                        {},
                        {},
                        {}};
        inbox.accept({cleaned, untitled, third});
        target.pinned = NoteTarget::kNotesIdentifier;
        target.appName = QStringLiteral("Notes");
    }
    ~DashboardRenderTest() override {
        defaults.set(QStringLiteral("appearance"), QStringLiteral("light"));
        applyStoredAppearance(defaults, nullptr);
    }

    QWidget* dashboard(MainWindowPane pane) {
        if (pane != MainWindowPane::Dashboard)
            return MainWindowView::titlePage(pane);
        DashboardServices services;
        services.stats = &stats;
        services.history = &history;
        services.defaults = &defaults;
        services.inbox = &inbox;
        services.target = &target;
        services.now = [] { return kNow; };
        services.accountName = [] { return QStringLiteral("Robin Example"); };
        services.later = timers.delayedCall();
        return new DashboardPane(services);
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    StatsStore stats{folder.file(QStringLiteral("data"))};
    HistoryStore history{folder.file(QStringLiteral("data")), defaults, [] { return kNow; }};
    FakePhoneNotesInbox inbox;
    FakeNoteTarget target;
    ManualTimers timers;
    AppState app;
};

bool near(const QColor& a, const QColor& b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

TEST_P(DashboardRenderTest, TheDashboardRendersItsStoresInTheLook) {
    const bool dark = GetParam();
    MainWindowView view(
        app, [this](MainWindowPane pane) { return dashboard(pane); }, true);
    view.resize(1180, 780);
    view.show();
    auto* pane = qobject_cast<DashboardPane*>(view.page());
    ASSERT_NE(pane, nullptr);
    // Rows below the first screenful follow once the page has painted.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->recentRows().size() == 3; }, 2000));
    // and the page is laid out again around them.
    QTest::qWait(50);
    const QImage image = view.grab().toImage();
    const QString saved =
        Artifacts::save(image, dark ? QStringLiteral("dashboard-dark.png") : QStringLiteral("dashboard-light.png"));
    EXPECT_FALSE(saved.isEmpty());
    // The whole page too, below the window's fold.
    Artifacts::save(pane->widget()->grab().toImage(),
                    dark ? QStringLiteral("dashboard-dark-page.png") : QStringLiteral("dashboard-light-page.png"));

    RenderCheck::expectReadable(view, dark ? QStringLiteral("dashboard-dark") : QStringLiteral("dashboard-light"));
    RenderCheck::expectReadable(*pane->widget(), QStringLiteral("dashboard page"));

    EXPECT_EQ(pane->greetingLine()->text(), DashboardPane::greeting(9, QStringLiteral("Robin")));
    // The morning sun is drawn in colour, as the evening moon is.
    QLabel* sun = pane->greetingLine()->symbol();
    const QImage sunImage = sun->grab().toImage();
    int coloured = 0;
    for (int x = 0; x < sunImage.width(); ++x)
        for (int y = 0; y < sunImage.height(); ++y) {
            const QColor c = sunImage.pixelColor(x, y);
            coloured += c.alpha() == 255 && c.hsvSaturation() > 120 && c.value() > 120;
        }
    EXPECT_GT(coloured, 40);
    EXPECT_EQ(pane->heroCard()->statistics()->text(),
              QStringLiteral("1,234 words dictated at 142 wpm, about 4 pages of writing."));
    EXPECT_EQ(pane->phoneRows().size(), 3);
    EXPECT_EQ(pane->recentRows().size(), 3);
    EXPECT_EQ(view.sidebar()->count(), 10);
    EXPECT_EQ(view.sidebar()->currentItem()->text(), QStringLiteral("Dashboard"));

    // The card: its gradient at the left edge, halfway down, and the glow in its top-right corner.
    HeroCard* card = pane->heroCard();
    const QPoint cardOrigin = card->mapTo(&view, QPoint(0, 0));
    const QColor edge = image.pixelColor(cardOrigin + QPoint(4, card->height() / 2));
    const QGradientStops stops = HeroCard::gradient(dark, QRectF(card->rect())).stops();
    EXPECT_TRUE(near(edge, stops.first().second, 12) || near(edge, stops.last().second, 12))
        << edge.name().toStdString();
    const QPoint glow = cardOrigin
                        + QPoint(card->width() - int(HeroCard::kGlowInset + HeroCard::kGlowSide / 2),
                                 int(HeroCard::kGlowInset + HeroCard::kGlowSide / 2));
    const QColor warm = image.pixelColor(glow);
    EXPECT_GT(warm.red(), 220) << warm.name().toStdString();
    EXPECT_LT(warm.blue(), 140) << warm.name().toStdString();

    // The page behind the cards is light or dark with the look.
    const QColor background = image.pixelColor(pane->mapTo(&view, QPoint(8, 8)));
    EXPECT_EQ(background.lightness() < 128, dark) << background.name().toStdString();
    // The greeting's text is drawn in a colour that stands out from it.
    const QLabel* greeting = pane->greetingLine()->words();
    const QRect greetingArea(greeting->mapTo(&view, QPoint(0, 0)), greeting->size());
    int contrasting = 0;
    for (int x = greetingArea.left(); x < greetingArea.right(); ++x)
        for (int y = greetingArea.top(); y < greetingArea.bottom(); ++y)
            if (qAbs(image.pixelColor(x, y).lightness() - background.lightness()) > 120)
                ++contrasting;
    EXPECT_GT(contrasting, 200);

    // The Dashboard's first phone note is the cleaned one, with its switch.
    auto* firstNote = qobject_cast<PhoneNoteRow*>(pane->phoneRows().constFirst());
    ASSERT_NE(firstNote, nullptr);
    EXPECT_EQ(firstNote->title()->text(), QStringLiteral("Groceries"));
    EXPECT_NE(firstNote->wordingSwitch(), nullptr);
    EXPECT_EQ(firstNote->folderButton()->text(), QStringLiteral("Folder\u2026"));
}

// The colour most of `area` is painted in: the sheet behind a text.
QColor commonest(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            ++counts[image.pixel(x, y)];
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(best))
            best = it.key();
    return QColor::fromRgb(best);
}

TEST_P(DashboardRenderTest, PhoneNoteTextOnPaperReadsOnTheCardWhateverTheShade) {
    const bool dark = GetParam();
    // The note cards follow the window's look; every stored shade, the one
    // that disagrees with the look included, must leave their text readable.
    defaults.set(QStringLiteral("paperTheme"), true);
    for (const QString& shade : {QStringLiteral("cream"), QStringLiteral("slate"), QStringLiteral("automatic")}) {
        defaults.set(QStringLiteral("paperShade"), shade);
        Defaults::shared().set(QStringLiteral("paperShade"), shade);
        std::unique_ptr<QWidget> page(dashboard(MainWindowPane::Dashboard));
        auto* pane = qobject_cast<DashboardPane*>(page.get());
        ASSERT_NE(pane, nullptr);
        page->resize(900, 1400);
        page->show();
        // The rows are made after the first paint, and laid out after that.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QList<QWidget*> rows = pane->phoneRows();
                return rows.size() == 3 && std::all_of(rows.begin(), rows.end(), [](QWidget* row) {
                           const QLabel* text = qobject_cast<PhoneNoteRow*>(row)->text();
                           return text->width() > 0 && text->height() >= text->heightForWidth(text->width());
                       });
            },
            2000));
        const QString look = (dark ? QStringLiteral("dark-look-") : QStringLiteral("light-look-")) + shade;
        EXPECT_FALSE(Artifacts::save(pane->widget()->grab().toImage(),
                                     QStringLiteral("phone-notes-paper-") + look + QStringLiteral(".png"))
                         .isEmpty());

        for (QWidget* widget : pane->phoneRows()) {
            auto* row = qobject_cast<PhoneNoteRow*>(widget);
            ASSERT_NE(row, nullptr);
            const QImage image = row->grab().toImage();
            const QLabel* text = row->text();
            const QRect area(text->mapTo(row, QPoint(0, 0)), text->size());
            const QColor sheet = commonest(image, area);
            // The card is drawn in the window's look, and the note's letters
            // stand out from it: the strongest pixel reaches 4.5 : 1.
            EXPECT_EQ(sheet.lightness() < 128, dark) << look.toStdString() << " " << sheet.name().toStdString();
            double strongest = 1;
            for (int x = area.left(); x <= area.right(); ++x)
                for (int y = area.top(); y <= area.bottom(); ++y)
                    strongest = std::max(strongest, RenderCheck::contrast(image.pixelColor(x, y), sheet));
            EXPECT_GE(strongest, 4.5) << look.toStdString() << ": " << text->text().toStdString();
            RenderCheck::expectReadable(*row, QStringLiteral("phone note on paper, ") + look);
        }
    }
    Defaults::shared().remove(QStringLiteral("paperShade"));
}

INSTANTIATE_TEST_SUITE_P(Looks, DashboardRenderTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& look) { return look.param ? "Dark" : "Light"; });

TEST(AboutPaneTest, TheBlockNamesTheVersionAndStaysCentred) {
    ScopedFakePlatform platform;
    AboutPane about;
    EXPECT_EQ(about.version()->text(), QStringLiteral("Version ") + Updater::currentVersion());
    EXPECT_EQ(about.name()->accessibleName(), QStringLiteral("Quorvane\u2122"));
    EXPECT_EQ(about.tagline()->text(), QStringLiteral("Dictation and reading that never leave your Mac."));
    about.resize(700, 500);
    about.show();
    QApplication::processEvents();
    const QRect name = about.name()->geometry();
    EXPECT_LE(qAbs(name.center().x() - about.width() / 2), 1);
    const int top = about.childrenRect().top();
    const int bottom = about.height() - about.childrenRect().bottom();
    EXPECT_LE(qAbs(top - bottom), 4);
    Artifacts::save(about.grab().toImage(), QStringLiteral("about.png"));
}

} // namespace
