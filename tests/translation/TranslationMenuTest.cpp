#include "translation/TranslationMenu.h"

#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/QtPrinting.h"
#include "translation/DoubleTapKeyLabel.h"
#include "translator/TranslationCatalog.h"

#include <QLocale>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

using Kind = TranslationMenu::Row::Kind;

QStringList titles(const QList<TranslationMenu::Row>& rows) {
    QStringList out;
    for (const TranslationMenu::Row& row : rows)
        out << (row.kind == Kind::Separator ? QStringLiteral("---") : row.title);
    return out;
}

QAction* action(const QMenu& menu, const QString& text) {
    for (QAction* candidate : menu.actions())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

class TranslationMenuTest : public testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        Defaults::shared().remove(QStringLiteral("translationTarget"));
        Defaults::shared().remove(QStringLiteral("doubleTapTranslateKey"));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        Defaults::shared().remove(QStringLiteral("translationTarget"));
    }
    // The tray's submenu over an empty catalogue.
    QMenu* build(TranslationMenu::Services services) {
        services.defaults = &Defaults::shared();
        services.catalog = &catalog;
        return TranslationMenu::addTo(&tray, services);
    }

    ScopedFakePlatform fakes;
    TranslationCatalog catalog{TranslationCatalog::Services{}};
    QMenu tray;
};

TEST_F(TranslationMenuTest, EnglishWithSpanishInstalledListsBothInCandidateOrder) {
    EXPECT_EQ(TranslationMenu::title(QStringLiteral("en")), "Translate into: English");
    EXPECT_EQ(
        titles(TranslationMenu::rows(QStringLiteral("en"), QStringLiteral("leftControl"), {QStringLiteral("es")})),
        (QStringList{"Translate One Dictation", QString::fromUtf8("or double-tap Control \u2303"), "---",
                     QString::fromUtf8("\u2713 English"), "   Spanish", "---",
                     QString::fromUtf8("Add a Language\u2026")}));
    // A target the catalogue does not list stays, in candidate order.
    const QList<TranslationMenu::Row> rows =
        TranslationMenu::rows(QStringLiteral("fr"), QStringLiteral("leftControl"), {QStringLiteral("es")});
    EXPECT_EQ(rows.at(3), (TranslationMenu::Row{Kind::Language, QStringLiteral("   Spanish"), QStringLiteral("es")}));
    EXPECT_EQ(rows.at(4).code, "fr");
}

TEST_F(TranslationMenuTest, AnUnknownTargetAndAnEmptyCatalogueSayNoLanguages) {
    const QStringList shown = titles(TranslationMenu::rows(QStringLiteral("xx"), QStringLiteral("rightCommand"), {}));
    EXPECT_EQ(shown, (QStringList{"Translate One Dictation", QString::fromUtf8("or double-tap Right Command \u2318"),
                                  "---", "No languages downloaded", "---", QString::fromUtf8("Add a Language\u2026")}));
    EXPECT_EQ(TranslationMenu::title(QStringLiteral("xx-yy")), "Translate into: XX-YY");
}

TEST_F(TranslationMenuTest, KeyLabelsComeFromOneTableInTheDesktopsWording) {
    EXPECT_EQ(DoubleTapKeyLabel::of(QStringLiteral("leftControl")), QString::fromUtf8("Control \u2303"));
    EXPECT_EQ(DoubleTapKeyLabel::of(QStringLiteral("LeftControl")), "the key");
    EXPECT_EQ(DoubleTapKeyLabel::of(QStringLiteral(""), DoubleTapKeyLabel::Fallback::TheOtherKey), "the other key");
    fakes.wording.table.insert(QString::fromUtf8("Left Option \u2325"), QStringLiteral("Left Alt"));
    EXPECT_EQ(DoubleTapKeyLabel::of(QStringLiteral("leftOption")), "Left Alt");
}

TEST_F(TranslationMenuTest, TheBuiltMenuActsOnTheSettingsAndTheGate) {
    bool available = false;
    int dictations = 0;
    TranslationMenu::Services services;
    services.available = [&] { return available; };
    services.dictateOnce = [&] { ++dictations; };
    QMenu* submenu = build(services);
    EXPECT_EQ(submenu->title(), "Translate into: English");

    // Without translation the row starts nothing.
    action(*submenu, QStringLiteral("Translate One Dictation"))->trigger();
    EXPECT_EQ(dictations, 0);
    available = true;
    action(*submenu, QStringLiteral("Translate One Dictation"))->trigger();
    EXPECT_EQ(dictations, 1);

    // The hint cannot be chosen; with no way to open the page, adding shows disabled.
    EXPECT_FALSE(action(*submenu, QString::fromUtf8("or double-tap Control \u2303"))->isEnabled());
    EXPECT_FALSE(action(*submenu, QString::fromUtf8("Add a Language\u2026"))->isEnabled());

    // Choosing a language writes the target; the next opening shows it.
    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("xx"));
    emit tray.aboutToShow();
    EXPECT_EQ(submenu->title(), "Translate into: XX");
    ASSERT_TRUE(action(*submenu, QStringLiteral("No languages downloaded")));
    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("en"));
    emit tray.aboutToShow();
    action(*submenu, QString::fromUtf8("\u2713 English"))->trigger();
    EXPECT_EQ(Defaults::shared().string(QStringLiteral("translationTarget")), "en");
}

TEST_F(TranslationMenuTest, AddingALanguageOpensThePage) {
    int opened = 0;
    TranslationMenu::Services services;
    services.addLanguage = [&] { ++opened; };
    QAction* add = action(*build(services), QString::fromUtf8("Add a Language\u2026"));
    ASSERT_TRUE(add && add->isEnabled());
    add->trigger();
    EXPECT_EQ(opened, 1);
}

} // namespace
