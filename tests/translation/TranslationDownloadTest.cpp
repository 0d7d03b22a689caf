#include "translation/TranslationDownload.h"

#include "support/Artifacts.h"
#include "support/FakePlatform.h"
#include "support/InlineCatalog.h"
#include "support/QtPrinting.h"
#include "support/RenderCheck.h"
#include "support/ScopedLook.h"
#include "translation/TranslationInstallDialog.h"
#include "translation/TranslationRemoveDialog.h"
#include "translator/TranslationCatalog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
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

    void supported(const QString& source) { fakes.onDeviceTranslator.setPair(source, target, PairStatus::Supported); }

    ScopedFakePlatform fakes;
    QString target = QStringLiteral("en");
    std::unique_ptr<TranslationCatalog> catalog;
    TranslationDownload::Services services;
    QList<QPair<QString, QString>> dialogs;
    std::function<void()> close;
};

TEST_F(TranslationDownloadTest, AddableLeavesOutEnglishTheTargetAndWhatIsReadyAndSortsByName) {
    const auto installable = [](const QString& source, const QString&) { return source != QLatin1String("ja"); };
    const QStringList addable = TranslationDownload::addable({QStringLiteral("fr")}, QStringLiteral("de"), installable);
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
    control.resize(420, control.heightForWidth(420));
    Artifacts::save(control.grab().toImage(), QStringLiteral("translation-pack-control.png"));
    RenderCheck::expectReadable(control, QStringLiteral("translation-pack-control"));
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

// The labels of `control` a user sees.
QStringList shownTexts(const QWidget& control) {
    QStringList texts;
    for (const QLabel* label : control.findChildren<QLabel*>())
        if (label->isVisibleTo(&control))
            texts << label->text();
    return texts;
}

TEST_F(TranslationDownloadTest, EverythingReadyLeavesOnlyTheNote) {
    for (const QString& code : TranslationCatalog::candidates())
        if (code != target)
            fakes.onDeviceTranslator.setPair(code, target, PairStatus::Installed);
    (void)catalog->refresh(true);
    QCoreApplication::processEvents();
    TranslationDownload control(services);
    control.resize(420, control.heightForWidth(420));
    EXPECT_FALSE(control.findChild<QComboBox*>(QStringLiteral("language"))->isVisibleTo(&control));
    EXPECT_TRUE(control.unpaired().isEmpty());
    EXPECT_TRUE(shownTexts(control).contains(QStringLiteral("Every language Quorvane offers is already on this Mac.")));
}

TEST_F(TranslationDownloadTest, LanguagesNoPackageCanAddAreNamedRatherThanDroppedSilently) {
    // One pair installed, none other packaged: the usual first install.
    fakes.onDeviceTranslator.setPair(QStringLiteral("es"), target, PairStatus::Installed);
    supported(QStringLiteral("it"));
    (void)catalog->refresh(true);
    QCoreApplication::processEvents();
    TranslationDownload control(services);
    const QStringList missing = control.unpaired();
    EXPECT_EQ(missing.size(), TranslationCatalog::candidates().size() - 3); // English, Spanish and Italian aside
    EXPECT_FALSE(missing.contains(QStringLiteral("it")));
    EXPECT_EQ(missing.first(), QStringLiteral("ar"));
    const QStringList shown = shownTexts(control);
    const auto named = std::find_if(shown.cbegin(), shown.cend(), [](const QString& text) {
        return text.startsWith(QStringLiteral("No Apertium language pair"));
    });
    ASSERT_NE(named, shown.cend());
    EXPECT_TRUE(named->contains(QStringLiteral("with English on this computer, so they cannot be added: Arabic, ")));
    EXPECT_TRUE(named->contains(QStringLiteral("French")));
    EXPECT_FALSE(named->contains(QStringLiteral("Italian")));

    // Italian installed too: nothing is left to add, and the note does not
    // claim that every language is here.
    fakes.onDeviceTranslator.setPair(QStringLiteral("it"), target, PairStatus::Installed);
    (void)catalog->refresh(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(control.addable().isEmpty());
    EXPECT_FALSE(
        shownTexts(control).contains(QStringLiteral("Every language Quorvane offers is already on this Mac.")));
    EXPECT_TRUE(control.findChild<QLabel*>(QStringLiteral("unpaired"))->isVisibleTo(&control));
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

TEST_F(TranslationDownloadTest, TheRemoveDialogShowsTheChosenLanguagesCommandAndClosesOnceItHasGone) {
    QStringList asked;
    bool gone = false;
    TranslationRemoveDialog dialog(
        {{QStringLiteral("fr"), QStringLiteral("French"), QStringLiteral("sudo apt-get remove a")},
         {QStringLiteral("es"), QStringLiteral("Spanish"), QStringLiteral("sudo apt-get remove b")}},
        [&](const QString& code, std::function<void(bool)> answer) {
            asked << code;
            answer(gone);
        });
    dialog.show();
    EXPECT_EQ(dialog.command(), "sudo apt-get remove a");
    dialog.choose(QStringLiteral("es"));
    EXPECT_EQ(dialog.command(), "sudo apt-get remove b");
    dialog.copyCommand();
    EXPECT_EQ(fakes.pasteboard.plainText(), "sudo apt-get remove b");
    dialog.checkAgain();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("status"))->text(), "Still installed.");
    gone = true;
    dialog.checkAgain();
    EXPECT_EQ(asked, (QStringList{QStringLiteral("es"), QStringLiteral("es")}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(TranslationDownloadTest, BothDialogsReadInBothLooks) {
    for (const bool dark : {false, true}) {
        const ScopedLook look(dark);
        const QString suffix = dark ? QStringLiteral("-dark") : QString();
        TranslationInstallDialog install(QStringLiteral("Spanish"),
                                         QStringLiteral("sudo apt-get install apertium-eng-spa"),
                                         [](std::function<void(bool)> answer) { answer(false); });
        install.show();
        install.checkAgain();
        Artifacts::save(install.grab().toImage(), QStringLiteral("translation-install-dialog%1.png").arg(suffix));
        RenderCheck::expectReadable(install, QStringLiteral("translation-install-dialog") + suffix);
        TranslationRemoveDialog remove(
            {{QStringLiteral("es"), QStringLiteral("Spanish"), QStringLiteral("sudo apt-get remove apertium-eng-spa")},
             {QStringLiteral("fr"), QStringLiteral("French"), QStringLiteral("sudo apt-get remove apertium-fr-es")}},
            [](const QString&, std::function<void(bool)> answer) { answer(false); });
        remove.show();
        remove.checkAgain();
        Artifacts::save(remove.grab().toImage(), QStringLiteral("translation-remove-dialog%1.png").arg(suffix));
        RenderCheck::expectReadable(remove, QStringLiteral("translation-remove-dialog") + suffix);
    }
}

} // namespace
