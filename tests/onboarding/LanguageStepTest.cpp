#include "onboarding/LanguageStep.h"
#include "support/Artifacts.h"
#include "support/FakePlatform.h"
#include "support/InlineCatalog.h"
#include "support/RenderCheck.h"
#include "translator/TranslationCatalog.h"

#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

using PairStatus = OnDeviceTranslator::PairStatus;

class LanguageStepTest : public testing::Test {
protected:
    LanguageStepTest() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        catalog = inlineCatalog(fakes.onDeviceTranslator, [this] { return target; });
        services.typeTarget = [this] { return target; };
        services.installable = [this](const QString& source, const QString& to) {
            return fakes.onDeviceTranslator.status(source, to) == PairStatus::Supported;
        };
        services.installCommand = [this](const QString& source, const QString& to) {
            return fakes.onDeviceTranslator.installCommand(source, to);
        };
        services.showDialog = [this](QWidget*, const QString& code, const QString&, std::function<void()> closed) {
            asked.append(code);
            close = std::move(closed);
        };
    }
    ~LanguageStepTest() override { QLocale::setDefault(QLocale::c()); }

    ScopedFakePlatform fakes;
    QString target = QStringLiteral("en");
    std::unique_ptr<TranslationCatalog> catalog;
    TranslationDownload::Services services;
    QStringList asked;
    std::function<void()> close;
};

TEST_F(LanguageStepTest, AddingALanguageEndsInTheConfirmationOnlyOnceItIsReady) {
    fakes.onDeviceTranslator.setPair(QStringLiteral("fr"), target, PairStatus::Installed);
    fakes.onDeviceTranslator.setPair(QStringLiteral("es"), target, PairStatus::Supported);
    fakes.onDeviceTranslator.setPair(QStringLiteral("de"), target, PairStatus::Supported);
    LanguageStep page(*catalog, services);
    page.resize(480, 500);
    page.show();
    QApplication::processEvents();
    EXPECT_EQ(page.readyLine(), QStringLiteral("Ready now: French."));
    EXPECT_EQ(page.phase(), LanguageStep::Phase::Offer);

    page.offer();
    ASSERT_TRUE(page.download());
    EXPECT_EQ(page.download()->addable(), (QStringList{QStringLiteral("de"), QStringLiteral("es")}));
    page.download()->setChoice(QStringLiteral("es"));
    page.download()->add();
    ASSERT_EQ(asked, QStringList{QStringLiteral("es")});

    // The dialog closes without the pack: back to choosing, same choice.
    close();
    QApplication::processEvents();
    EXPECT_EQ(page.phase(), LanguageStep::Phase::Choosing);
    EXPECT_EQ(page.download()->choice(), QStringLiteral("es"));

    page.download()->add();
    fakes.onDeviceTranslator.setPair(QStringLiteral("es"), target, PairStatus::Installed);
    close();
    QApplication::processEvents();
    EXPECT_EQ(page.phase(), LanguageStep::Phase::Added);
    EXPECT_EQ(page.readyLine(), QStringLiteral("Ready now: French, Spanish."));
    page.resize(480, page.heightForWidth(480) > 0 ? page.heightForWidth(480) : page.sizeHint().height());
    Artifacts::save(page.grab().toImage(), QStringLiteral("language-step-added.png"));
    RenderCheck::expectReadable(page, QStringLiteral("language-step-added"));

    page.addAnother();
    QApplication::processEvents();
    EXPECT_EQ(page.phase(), LanguageStep::Phase::Choosing);
    EXPECT_EQ(page.download()->choice(), QString());
    EXPECT_EQ(page.download()->addable(), QStringList{QStringLiteral("de")});
}

TEST_F(LanguageStepTest, NothingReadyHidesTheReadyLine) {
    LanguageStep page(*catalog, services);
    EXPECT_EQ(page.readyLine(), QString());
}

} // namespace
