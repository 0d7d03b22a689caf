#include "learning/CorrectionChip.h"
#include "learning/CorrectionChipView.h"
#include "learning/CorrectionLedger.h"
#include "learning/CorrectionWatch.h"
#include "stores/DictionaryStore.h"

#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QImage>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class CorrectionChipTest : public testing::Test {
protected:
    CorrectionChipTest() {
        defaults.set(QStringLiteral("learnCorrections"), true);
        fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), QStringLiteral("editor"), {}, 7};
        fakes.accessibility.focused = field;
    }

    // Makes the watch find "recieve" corrected to "receive".
    void findCorrection() {
        field->value = QStringLiteral("I will recieve it");
        watch.noteInsertion(*field->value, AXText::Range{0, field->value->size()});
        field->value = QStringLiteral("I will receive it");
        watch.checkForCorrection();
        ASSERT_TRUE(watch.pending());
    }

    ScopedFakePlatform fakes;
    std::shared_ptr<FakeElement> field = std::make_shared<FakeElement>();
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    CorrectionLedger ledger{defaults};
    CorrectionWatch watch{{defaults, ledger, [](const QString&) { return false; }, [](const QString&) {}}};
    QList<QPair<QString, QStringList>> added;
    CorrectionChip chip{{watch, ledger, [this](const QString& word, const QStringList& variants) {
                             added.append({word, variants});
                         }}};
};

TEST_F(CorrectionChipTest, OffersThePendingCorrectionOnceFor9Seconds) {
    chip.offerIfPending();
    EXPECT_FALSE(chip.isShown());

    findCorrection();
    chip.offerIfPending();
    ASSERT_TRUE(chip.isShown());
    EXPECT_FALSE(watch.pending());
    EXPECT_EQ(chip.panel()->title(), QStringLiteral("Remember “receive”?"));
    EXPECT_EQ(chip.panel()->detail(), QStringLiteral("you have fixed it from “recieve” twice"));
    EXPECT_EQ(chip.hideTimer().intervalAsDuration(), 9000ms);
    EXPECT_TRUE(chip.panel()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(chip.panel()->addButton()->focusPolicy(), Qt::NoFocus);
    QImage image(chip.panel()->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    chip.panel()->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    Artifacts::save(image, QStringLiteral("correction-chip.png"));
    RenderCheck::expectReadable(*chip.panel(), QStringLiteral("correction-chip"));
}

// A name or brand given its capitals is learned; a capital put on the word
// that starts a sentence is not, since kept as a dictionary word it would put
// that capital on the word wherever it is dictated.
TEST_F(CorrectionChipTest, ACapitalsOnlyChangeIsLearnedUnlessItOnlyStartsASentence) {
    DictionaryStore dictionary(folder.path());
    CorrectionChip learning{
        {watch, ledger, [&](const QString& word, const QStringList& variants) { dictionary.add(word, variants); }}};
    const struct {
        const char* dictated;
        const char* edited;
        const char* remembered; // the word the chip offers, none when it stays hidden
    } cases[] = {
        {"then we left", "Then we left", nullptr},
        {"we left early. then we ate", "we left early. Then we ate", nullptr},
        {"call jaxon now", "call Jaxon now", "Jaxon"},
        {"my iphone broke", "my iPhone broke", "iPhone"},
        {"ipad sales rose", "iPad sales rose", "iPad"},
        {"we met in new york", "we met in New York", "New York"},
    };
    for (const auto& c : cases) {
        field->value = QString::fromUtf8(c.dictated);
        watch.noteInsertion(*field->value, AXText::Range{0, field->value->size()});
        field->value = QString::fromUtf8(c.edited);
        watch.checkForCorrection();
        learning.offerIfPending();
        if (!c.remembered) {
            EXPECT_FALSE(learning.isShown()) << c.edited;
            continue;
        }
        ASSERT_TRUE(learning.isShown()) << c.edited;
        EXPECT_EQ(learning.panel()->title(), QStringLiteral("Remember “%1”?").arg(QString::fromUtf8(c.remembered)));
        learning.panel()->addButton()->click();
    }
    EXPECT_EQ(DictionaryStore::correct(QStringLiteral("then call jaxon about the ipad and iphone in new york")),
              QStringLiteral("then call Jaxon about the iPad and iPhone in New York"));
    DictionaryStore::setSnapshot({});
}

TEST_F(CorrectionChipTest, AddStoresTheMeantWordWithTheHeardOneAsVariant) {
    findCorrection();
    chip.offerIfPending();
    chip.panel()->addButton()->click();
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added.front().first, "receive");
    EXPECT_EQ(added.front().second, QStringList{"recieve"});
    EXPECT_FALSE(chip.isShown());
    EXPECT_FALSE(chip.hideTimer().isActive());
}

TEST_F(CorrectionChipTest, NoSettlesThePairWithoutAdding) {
    findCorrection();
    defaults.remove(CorrectionLedger::kDoneKey);
    chip.offerIfPending();
    chip.panel()->noButton()->click();
    EXPECT_TRUE(added.isEmpty());
    EXPECT_FALSE(chip.isShown());
    EXPECT_EQ(defaults.stringList(CorrectionLedger::kDoneKey), QStringList{"recieve\x1Freceive"});
}

TEST_F(CorrectionChipTest, TimingOutNeitherAddsNorDeclines) {
    CorrectionChip quick{{watch, ledger,
                          [this](const QString& w, const QStringList& v) {
                              added.append({w, v});
                          }},
                         1ms};
    findCorrection();
    defaults.remove(CorrectionLedger::kDoneKey);
    quick.offerIfPending();
    ASSERT_TRUE(quick.isShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !quick.isShown(); }, 2000));
    EXPECT_TRUE(added.isEmpty());
    EXPECT_FALSE(defaults.contains(CorrectionLedger::kDoneKey));
}

TEST(CorrectionChipPlacementTest, SitsInTheBottomRightOfThePointersScreen) {
    const QList<QRect> frames = {QRect(0, 0, 1920, 1080), QRect(1920, -200, 1280, 1024)};
    const QPoint onSecond(2500, 300);
    EXPECT_EQ(CorrectionChip::screenUnder(frames, onSecond, 0), 1);
    EXPECT_EQ(CorrectionChip::screenUnder(frames, QPoint(100, 100), 1), 0);
    EXPECT_EQ(CorrectionChip::screenUnder(frames, QPoint(-50, 5000), 0), 0);

    // The second screen's usable area leaves a panel of 40 at its top.
    const QRect visible(1920, -160, 1280, 984);
    const QPoint origin = CorrectionChip::origin(visible, CorrectionChipView::kSize);
    const QRect chip(origin, CorrectionChipView::kSize);
    EXPECT_TRUE(visible.contains(chip));
    EXPECT_EQ(visible.x() + visible.width() - (chip.x() + chip.width()), 22);
    EXPECT_EQ(visible.y() + visible.height() - (chip.y() + chip.height()), 22);
}

} // namespace
