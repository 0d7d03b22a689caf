#include "reader/ReaderWindowView.h"
#include "reader/ReaderWindowController.h"
#include "reader/ReaderWordLabel.h"

#include "support/Artifacts.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakeAudioPlayers.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;
using Controller = ReaderWindowController;
using Timed = Controller::TimedResult;

namespace {

const QSize kWindow(Controller::kWindowWidth, Controller::kWindowHeight);

// The passage of the renders: three sentences, the fifth word lit.
QList<Timed::Word> passage() {
    const QStringList words =
        QStringLiteral("The river was wide. Morning light came over the water and the small boats, one by one, "
                       "left the harbour for the open sea. Nobody on the shore said a word.")
            .split(u' ');
    QList<Timed::Word> timed;
    for (int i = 0; i < words.size(); ++i)
        timed.append({words[i], i * 0.4, i * 0.4 + 0.35});
    return timed;
}

// A controller in a chosen state, its view, and the shade setting.
struct Page {
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    FakeAudioPlayers players;
    QList<std::shared_ptr<QPromise<bool>>> engines;
    std::optional<Timed> answer;
    std::unique_ptr<Controller> controller;
    std::unique_ptr<ReaderWindowView> view;

    explicit Page(const QString& shade) {
        defaults.set(QStringLiteral("readerShade"), shade);
        Controller::Services services;
        services.ensureEngine = [this] {
            engines.append(std::make_shared<QPromise<bool>>());
            engines.back()->start();
            return engines.back()->future();
        };
        services.synthesize = [this](const QString&, const QString&) { return QtFuture::makeReadyFuture(answer); };
        services.selectedVoice = [] { return QStringLiteral("af_heart"); };
        services.players = [this] { return &players; };
        services.makesWindow = false;
        controller = std::make_unique<Controller>(services);
        view = std::make_unique<ReaderWindowView>(*controller, defaults);
        view->resize(kWindow);
    }

    void read(const std::optional<Timed>& timed, bool engineUp = true) {
        answer = timed;
        // The text read is the one the engine's words were said from.
        QStringList said;
        for (const Timed::Word& word : timed ? timed->words : QList<Timed::Word>{})
            said << word.text;
        QFuture<void> done = controller->read(said.isEmpty() ? QStringLiteral("text") : said.join(u' '));
        engines.back()->addResult(engineUp);
        engines.back()->finish();
        awaitFuture(done);
    }

    QImage render(const QString& name) {
        view->show();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view->render(&image);
        Artifacts::save(image, name);
        RenderCheck::expectReadable(*view, name);
        return image;
    }

    QLabel* visibleLabel(const QString& text) const {
        for (QLabel* label : view->findChildren<QLabel*>())
            if (label->isVisible() && label->text() == text)
                return label;
        return nullptr;
    }
};

QColor blend(const QColor& under, const QColor& over) {
    const double a = over.alphaF();
    return QColor::fromRgbF(float(under.redF() * (1 - a) + over.redF() * a),
                            float(under.greenF() * (1 - a) + over.greenF() * a),
                            float(under.blueF() * (1 - a) + over.blueF() * a));
}

void expectNear(const QColor& actual, const QColor& expected, int tolerance = 6) {
    EXPECT_NEAR(actual.red(), expected.red(), tolerance)
        << actual.name().toStdString() << " vs " << expected.name().toStdString();
    EXPECT_NEAR(actual.green(), expected.green(), tolerance);
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance);
}

} // namespace

TEST(ReaderWindowView, ShadeAndClockFollowTheirRules) {
    EXPECT_FALSE(ReaderWindowView::isDark("cream", true));
    EXPECT_TRUE(ReaderWindowView::isDark("slate", false));
    EXPECT_TRUE(ReaderWindowView::isDark("automatic", true));
    EXPECT_FALSE(ReaderWindowView::isDark("sepia", false));
    EXPECT_EQ(ReaderWindowView::clockText(61.9), "1:01");
    EXPECT_EQ(ReaderWindowView::clockText(-3), "0:00");
    EXPECT_EQ(ReaderWindowView::clockText(std::numeric_limits<double>::infinity()), "0:00");
    EXPECT_EQ(ReaderWindowView::clockText(std::nan("")), "0:00");
    EXPECT_EQ(ReaderWindowView::clockText(75 * 60), "75:00");
}

TEST(ReaderWindowView, LightsTheSpokenWordAndItsSentenceOnCreamAndSlate) {
    for (const bool dark : {false, true}) {
        Page page(dark ? QStringLiteral("slate") : QStringLiteral("cream"));
        page.players.duration = 12s;
        page.read(Timed{"RIFF", passage(), 12});
        page.controller->togglePlayback();
        page.controller->scrub(2.5); // "came": the seventh word, in the second sentence
        const QImage image =
            page.render(dark ? QStringLiteral("readalong-slate.png") : QStringLiteral("readalong-cream.png"));
        EXPECT_EQ(image.size(), kWindow);
        ASSERT_EQ(page.view->litWord(), 6);
        EXPECT_EQ(page.view->dark(), dark);

        const QLabel* lit = page.view->wordLabels()[6];
        EXPECT_EQ(lit->text(), "came");
        const Paper::Palette& palette = Paper::palette(dark);
        // Inside the label's padding, left of the glyphs: the highlight over the sheet.
        const QPoint inLit = lit->mapTo(page.view.get(), QPoint(1, lit->height() / 2));
        expectNear(image.pixelColor(inLit), blend(palette.sheet, ReaderWindowView::highlight(dark)));
        // The word is inside the page, not clipped by the transport row.
        const QRect litRect(lit->mapTo(page.view.get(), QPoint(0, 0)), lit->size());
        EXPECT_TRUE(page.view->scrollArea()->geometry().contains(litRect));
        // A word of another sentence is dimmed, of this one full ink; only one word is lit.
        EXPECT_NEAR(page.view->wordLabels()[0]->ink().alphaF(), dark ? 0.56 : 0.64, 0.01);
        EXPECT_EQ(page.view->wordLabels()[5]->ink(), palette.ink);
        int lightened = 0;
        for (const ReaderWordLabel* word : page.view->wordLabels())
            lightened += word->highlight().has_value();
        EXPECT_EQ(lightened, 1);

        // Every word, the last included, lies within the page's words.
        const QLabel* last = page.view->wordLabels().back();
        EXPECT_EQ(last->text(), "word.");
        EXPECT_TRUE(last->parentWidget()->rect().contains(QRect(last->pos(), last->size())));
        const QLabel* clock = page.visibleLabel(QStringLiteral("0:02 / 0:12"));
        EXPECT_NE(clock, nullptr);
    }
}

TEST(ReaderWindowView, ShowsPreparingThenAStatusThenNothingToRead) {
    for (const bool dark : {false, true}) {
        const QString shade = dark ? QStringLiteral("slate") : QStringLiteral("cream");
        Page page(shade);
        page.controller->read(QStringLiteral("text")); // the engine is still coming up
        page.render(QStringLiteral("readalong-preparing-%1.png").arg(shade));
        EXPECT_NE(page.visibleLabel(QStringLiteral("Reading it through first\u2026")), nullptr);
        EXPECT_EQ(page.visibleLabel(QStringLiteral("Nothing to read.")), nullptr);

        page.engines.back()->addResult(false);
        page.engines.back()->finish();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        page.render(QStringLiteral("readalong-status-%1.png").arg(shade));
        EXPECT_NE(page.visibleLabel(Controller::kCouldNotRead), nullptr);
        EXPECT_EQ(page.visibleLabel(QStringLiteral("Reading it through first\u2026")), nullptr);

        Page empty(shade);
        const QImage image = empty.render(QStringLiteral("readalong-nothing-%1.png").arg(shade));
        EXPECT_NE(empty.visibleLabel(QStringLiteral("Nothing to read.")), nullptr);
        EXPECT_NE(empty.visibleLabel(QStringLiteral("0:00 / 0:00")), nullptr);
        // The rounded corner stays clear; the page is the shade's sheet.
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
        expectNear(image.pixelColor(kWindow.width() - 20, 10), Paper::palette(dark).sheet, 3);
    }
}

TEST(ReaderWindowView, AFailureAfterAReadingShowsItsNoticeInsteadOfTheOldWords) {
    Page page(QStringLiteral("cream"));
    page.read(Timed{"RIFF", passage(), 12});
    page.render(QStringLiteral("readalong-before-failure.png"));
    EXPECT_NE(page.visibleLabel(QStringLiteral("river")), nullptr);

    page.read(std::nullopt);
    page.render(QStringLiteral("readalong-after-failure.png"));
    EXPECT_NE(page.visibleLabel(Controller::kCouldNotRead), nullptr);
    EXPECT_EQ(page.visibleLabel(QStringLiteral("river")), nullptr);

    // An output that will not start: the notice stands over the passage.
    page.players.refusesToStart = true;
    page.read(Timed{"RIFF", passage(), 12});
    page.render(QStringLiteral("readalong-not-playing.png"));
    EXPECT_NE(page.visibleLabel(Controller::kCouldNotPlay), nullptr);
    EXPECT_NE(page.visibleLabel(QStringLiteral("river")), nullptr);
    const QList<QAbstractButton*> buttons = page.view->findChildren<QAbstractButton*>();
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(), [](const QAbstractButton* b) {
        return b->accessibleName() == "Start reading";
    })) << "the play button offers to start, not to pause";
}

TEST(ReaderWindowView, TransportRowCarriesItsLabelsAndStateAndTheShadeRestylesAtOnce) {
    Page page(QStringLiteral("cream"));
    page.players.duration = 12s;
    page.read(Timed{"RIFF", passage(), 12});
    const auto names = [&] {
        QStringList found;
        for (const QAbstractButton* button : page.view->findChildren<QAbstractButton*>())
            found << button->accessibleName();
        return found;
    };
    EXPECT_TRUE(names().contains("Back fifteen seconds"));
    EXPECT_TRUE(names().contains("Pause reading"));
    page.controller->togglePlayback();
    EXPECT_TRUE(names().contains("Start reading"));

    // Tapping a word seeks there.
    QLabel* word = page.view->wordLabels()[10];
    QMouseEvent press(QEvent::MouseButtonRelease, QPointF(3, 3), word->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(word, &press);
    EXPECT_DOUBLE_EQ(page.controller->currentTime(), 4.0);
    EXPECT_TRUE(page.controller->isPlaying());

    EXPECT_FALSE(page.view->dark());
    page.defaults.set(QStringLiteral("readerShade"), QStringLiteral("slate"));
    EXPECT_TRUE(page.view->dark());
}
