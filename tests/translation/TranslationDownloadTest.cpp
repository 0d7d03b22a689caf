#include "translation/TranslationDownload.h"

#include "support/Artifacts.h"
#include "support/FakePlatform.h"
#include "support/InlineCatalog.h"
#include "support/QtPrinting.h"
#include "translation/TranslationInstallDialog.h"
#include "translator/TranslationCatalog.h"

#include <QComboBox>
#include <QLabel>
#include <QCoreApplication>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

using PairStatus = OnDeviceTranslator::PairStatus;

class TranslationDownloadTest : public testing::Test {
protected:
    TranslationDownloadTest() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        catalog = inlineCatalog(fakes.onDeviceTranslator, [this] { return target; });

        services.catalog = catalog.get();
        services.typeTarget = [this] { return target; };
        services.installable = [this](const QString& source, const QString& to) {
            return fakes.onDeviceTranslator.status(source, to) == PairStatus::Supported;
        };
        services.installCommand = [this](const QString& source, const QString& to) {
            return fakes.onDeviceTranslator.installCommand(source, to);
        };
        services.showDialog = [this](QWidget*, const QString& code, const QString& command,
                                     std::function<void()> closed) {
            dialogs.append({code, command});
            close = std::move(closed);
        };
    }
    ~TranslationDownloadTest() override { QLocale::setDefault(QLocale::c()); }

    void supported(const QString& source) {
        fakes.onDeviceTranslator.setPair(source, target, PairStatus::Supported);
    }

    ScopedFakePlatform fakes;
    QString target = QStringLiteral("en");
    std::unique_ptr<TranslationCatalog> catalog;
    TranslationDownload::Services services;
    QList<QPair<QString, QString>> dialogs;
    std::function<void()> close;
};

TEST_F(TranslationDownloadTest, AddableLeavesOutEnglishTheTargetAndWhatIsReadyAndSortsByName) {
    const auto installable = [](const QString& source, const QString&) {
        return source != QLatin1String("ja");
    };
    const QStringList addable =
        TranslationDownload::addable({QStringLiteral("fr")}, QStringLiteral("de"), installable);
    for (const char* left : {"en", "de", "fr", "ja"})
        EXPECT_FALSE(addable.contains(left)) << left;
    // By display name: Arabic first, Chinese before Dutch, Vietnamese last.
    EXPECT_EQ(addable.first(), "ar");
    EXPECT_LT(addable.indexOf("zh-Hant"), addable.indexOf("nl"));
    EXPECT_EQ(addable.last(), "vi");
    // Nothing a package can add: nothing to offer.
    EXPECT_TRUE(TranslationDownload::addable({}, QStringLiteral("en"), {}).isEmpty());
}

TEST_F(TranslationDownloadTest, AddShowsTheCommandAndClosingForcesARefresh) {
    supported(QStringLiteral("es"));
    supported(QStringLiteral("it"));
    TranslationDownload control(services);
    EXPECT_EQ(control.addable(), (QStringList{QStringLiteral("it"), QStringLiteral("es")}));
    auto* add = control.findChild<QPushButton*>(QStringLiteral("add"));
    ASSERT_TRUE(add);
    EXPECT_FALSE(add->isEnabled());
    control.add();
    EXPECT_TRUE(dialogs.isEmpty());

    control.setChoice(QStringLiteral("es"));
    EXPECT_TRUE(add->isEnabled());
    control.resize(420, control.sizeHint().height());
    Artifacts::save(control.grab().toImage(), QStringLiteral("translation-pack-control.png"));
    control.add();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs.first().second, "sudo apt-get install pair-es-en");
    EXPECT_TRUE(control.working());
    EXPECT_EQ(add->text(), QString::fromUtf8("Adding\u2026"));
    EXPECT_FALSE(add->isEnabled());

    // The user installs the pack; the dialog closes however it went.
    fakes.onDeviceTranslator.setPair(QStringLiteral("es"), target, PairStatus::Installed);
    const int before = fakes.onDeviceTranslator.snapshots;
    close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(control.working());
    EXPECT_EQ(fakes.onDeviceTranslator.snapshots, before + 1);
    EXPECT_EQ(catalog->sources(), QStringList{QStringLiteral("es")});
    EXPECT_EQ(control.addable(), QStringList{QStringLiteral("it")});
}

TEST_F(TranslationDownloadTest, EverythingReadyLeavesOnlyTheNote) {
    TranslationDownload control(services);
    control.resize(420, control.sizeHint().height());
    EXPECT_FALSE(control.findChild<QComboBox*>(QStringLiteral("language"))->isVisibleTo(&control));
    bool noteFound = false;
    for (const QLabel* label : control.findChildren<QLabel*>())
        noteFound |= label->text() == "Every language Quorvane offers is already on this Mac.";
    EXPECT_TRUE(noteFound);
}

TEST_F(TranslationDownloadTest, TheDialogCopiesItsCommandAndClosesOnceTheLanguageArrived) {
    bool arrived = false;
    int checks = 0;
    TranslationInstallDialog dialog(QStringLiteral("Spanish"), QStringLiteral("sudo apt-get install apertium-eng-spa"),
                                    [&](std::function<void(bool)> answer) {
                                        ++checks;
                                        answer(arrived);
                                    });
    dialog.show();
    Artifacts::save(dialog.grab().toImage(), QStringLiteral("translation-install-dialog.png"));
    dialog.copyCommand();
    EXPECT_EQ(fakes.pasteboard.plainText(), "sudo apt-get install apertium-eng-spa");
    dialog.checkAgain();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("status"))->text(), "Not installed yet.");
    arrived = true;
    dialog.checkAgain();
    EXPECT_EQ(checks, 2);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
