#include "translator/TranslationCatalog.h"
#include "translator/TranslationGate.h"

#include "support/Await.h"
#include "support/FakeOnDeviceTranslator.h"
#include "support/QtPrinting.h"

#include <QPromise>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

using PairStatus = OnDeviceTranslator::PairStatus;
using Lists = TranslationCatalog::Lists;
using namespace std::chrono_literals;

// Checks wait until the test lets them run, so a refresh can be caught running.
struct HeldChecks {
    struct Job {
        std::function<Lists()> check;
        std::shared_ptr<QPromise<Lists>> promise;
    };
    QList<Job> jobs;

    QFuture<Lists> run(std::function<Lists()> check) {
        auto promise = std::make_shared<QPromise<Lists>>();
        promise->start();
        jobs.append({std::move(check), promise});
        return promise->future();
    }
    void finishNext() {
        ASSERT_FALSE(jobs.isEmpty());
        Job job = jobs.takeFirst();
        job.promise->addResult(job.check());
        job.promise->finish();
        QCoreApplication::processEvents();
    }
};

class TranslationCatalogTest : public testing::Test {
protected:
    TranslationCatalogTest() {
        TranslationCatalog::Services services;
        services.translator = [this] { return &translator; };
        services.typeTarget = [this] { return target; };
        services.now = [this] { return now; };
        services.runCheck = [this](std::function<Lists()> check) {
            if (hold)
                return held.run(std::move(check));
            return QtFuture::makeReadyFuture(check());
        };
        catalog = std::make_unique<TranslationCatalog>(services);
    }

    void refreshNow(bool force = false) {
        QFuture<void> done = catalog->refresh(force);
        QCoreApplication::processEvents();
        ASSERT_TRUE(awaitFuture(done, 2000));
    }

    FakeOnDeviceTranslator translator;
    QString target = QStringLiteral("en");
    TranslationCatalog::Clock::time_point now{};
    bool hold = false;
    HeldChecks held;
    std::unique_ptr<TranslationCatalog> catalog;
};

TEST_F(TranslationCatalogTest, TheTwoPassesFollowTheCandidateOrderAndPivotThroughTheSources) {
    // Spanish reaches English, so English is a reading target too; English
    // reads into Spanish; Spanish pivots into Portuguese and Italian, which
    // English cannot reach itself.
    translator.setPair(QStringLiteral("es"), QStringLiteral("en"), PairStatus::Installed);
    translator.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
    translator.setPair(QStringLiteral("es"), QStringLiteral("pt"), PairStatus::Installed);
    translator.setPair(QStringLiteral("es"), QStringLiteral("it"), PairStatus::Installed);
    translator.setPair(QStringLiteral("fr"), QStringLiteral("en"), PairStatus::Supported);
    translator.setPair(QStringLiteral("en"), QStringLiteral("de"), PairStatus::Supported);
    // A pair into the target itself is never asked about.
    translator.setPair(QStringLiteral("en"), QStringLiteral("en"), PairStatus::Installed);

    const std::unique_ptr<OnDeviceTranslator::PairSnapshot> pairs = translator.snapshot();
    const Lists lists = TranslationCatalog::check(*pairs, QStringLiteral("en"));
    EXPECT_EQ(lists.sources, QStringList{QStringLiteral("es")});
    EXPECT_EQ(lists.targets,
              (QStringList{QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("it"), QStringLiteral("pt")}));

    // With only English → Spanish installed, English is never a source or a target.
    FakeOnDeviceTranslator onlyEnglish;
    onlyEnglish.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
    const Lists english = TranslationCatalog::check(*onlyEnglish.snapshot(), QStringLiteral("en"));
    EXPECT_TRUE(english.sources.isEmpty());
    EXPECT_EQ(english.targets, QStringList{QStringLiteral("es")});
}

TEST_F(TranslationCatalogTest, ARefreshPublishesSourcesThenTargetsThenChecked) {
    translator.setPair(QStringLiteral("es"), QStringLiteral("en"), PairStatus::Installed);
    translator.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
    QStringList order;
    QObject::connect(catalog.get(), &TranslationCatalog::sourcesChanged, [&] { order << "sources"; });
    QObject::connect(catalog.get(), &TranslationCatalog::targetsChanged, [&] {
        order << "targets";
        EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("es")});
    });
    QObject::connect(catalog.get(), &TranslationCatalog::hasCheckedChanged, [&] { order << "checked"; });
    EXPECT_FALSE(catalog->hasChecked());
    refreshNow();
    EXPECT_EQ(order, (QStringList{"sources", "targets", "checked"}));
    EXPECT_TRUE(catalog->hasChecked());
    EXPECT_FALSE(catalog->refreshing());
    EXPECT_EQ(catalog->lastRefresh(), now);
    EXPECT_EQ(translator.snapshots, 1);
}

TEST_F(TranslationCatalogTest, WithoutATranslatorNothingIsChecked) {
    translator.available = false;
    refreshNow(true);
    EXPECT_FALSE(catalog->hasChecked());
    EXPECT_EQ(translator.snapshots, 0);
}

TEST_F(TranslationCatalogTest, RefreshesAreThrottledPerTargetUnlessForced) {
    refreshNow();
    now += 299s;
    refreshNow();
    EXPECT_EQ(translator.snapshots, 1);
    refreshNow(true);
    EXPECT_EQ(translator.snapshots, 2);
    now += 300s;
    refreshNow();
    EXPECT_EQ(translator.snapshots, 3);

    // A new typing target is checked at once: the lists belong to the old one.
    translator.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
    target = QStringLiteral("es");
    now += 1s;
    refreshNow();
    EXPECT_EQ(translator.snapshots, 4);
    EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("en")});
}

TEST_F(TranslationCatalogTest, AForcedRefreshAskedForDuringARefreshRunsAfterIt) {
    hold = true;
    QFuture<void> first = catalog->refresh(false);
    EXPECT_TRUE(catalog->refreshing());
    // Not forced, same target: nothing to add.
    EXPECT_TRUE(catalog->refresh(false).isFinished());
    // The pack arrives while the first check runs.
    translator.setPair(QStringLiteral("es"), QStringLiteral("en"), PairStatus::Installed);
    QFuture<void> forced = catalog->refresh(true);
    QFuture<void> forcedAgain = catalog->refresh(true);
    EXPECT_FALSE(forced.isFinished());
    held.finishNext();
    EXPECT_TRUE(first.isFinished());
    EXPECT_FALSE(forced.isFinished());
    EXPECT_TRUE(catalog->refreshing());
    // One queued refresh however often it was asked for.
    ASSERT_EQ(held.jobs.size(), 1);
    held.finishNext();
    EXPECT_TRUE(forced.isFinished());
    EXPECT_TRUE(forcedAgain.isFinished());
    EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("es")});
    EXPECT_TRUE(held.jobs.isEmpty());
}

TEST_F(TranslationCatalogTest, ATargetChangedDuringARefreshIsCheckedAfterIt) {
    hold = true;
    (void)catalog->refresh(false);
    target = QStringLiteral("es");
    translator.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
    QFuture<void> second = catalog->refresh(false);
    held.finishNext();
    held.finishNext();
    EXPECT_TRUE(second.isFinished());
    EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("en")});
}

TEST_F(TranslationCatalogTest, ChangedPairsForceARefreshAndTheLastPairGoneEmptiesTheLists) {
    TranslationGate gate([this] { return &translator; });
    QSignalSpy opened(&gate, &TranslationGate::openChanged);
    catalog->observe(gate);
    refreshNow();
    ASSERT_TRUE(translator.pairsChanged);
    translator.setPair(QStringLiteral("es"), QStringLiteral("en"), PairStatus::Installed);
    translator.pairsChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(translator.snapshots, 2);
    EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("es")});
    EXPECT_EQ(opened.count(), 0);

    // The package removed: the gate closes and nothing is listed as ready.
    translator.available = false;
    translator.pairs.clear();
    translator.pairsChanged();
    QCoreApplication::processEvents();
    EXPECT_TRUE(catalog->sources().isEmpty());
    EXPECT_TRUE(catalog->targets().isEmpty());
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.first().first().toBool(), false);
    // And installed again: it opens.
    translator.available = true;
    translator.setPair(QStringLiteral("es"), QStringLiteral("en"), PairStatus::Installed);
    translator.pairsChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("es")});
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(opened.last().first().toBool(), true);
}

} // namespace
