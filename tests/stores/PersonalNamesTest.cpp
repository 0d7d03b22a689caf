#include "stores/PersonalNames.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(PersonalNamesTest, NameWordsAreLongPiecesBetweenBlanksAndPunctuation) {
    EXPECT_EQ(PersonalNames::names(QStringLiteral("Anne-Marie J. O'Sullivan")),
              (QStringList{QStringLiteral("Anne"), QStringLiteral("Marie"), QStringLiteral("Sullivan")}));
    EXPECT_EQ(PersonalNames::names(QStringLiteral("Jan van der Berg")), QStringList{QStringLiteral("Berg")});
    EXPECT_EQ(PersonalNames::names(QStringLiteral("Ana Li")), QStringList());
    EXPECT_EQ(PersonalNames::names(QStringLiteral("Hans  HANS\thans")), QStringList{QStringLiteral("Hans")});
    // Four user-perceived characters, whatever their encoding.
    EXPECT_EQ(PersonalNames::names(QStringLiteral("Zoe\u0301 Jose\u0301")), QStringList{QStringLiteral("Jose\u0301")});
    EXPECT_EQ(PersonalNames::names(QString()), QStringList());
}

TEST(PersonalNamesTest, MergedAppendsTheAccountsNewNameWords) {
    ScopedFakePlatform fakes;
    fakes.userAccount.name = QStringLiteral("Maria-José de la Cruz Hernández");
    Defaults& defaults = Defaults::shared();
    defaults.remove(QStringLiteral("useAccountName"));

    const QStringList dictionary{QStringLiteral("Kubernetes"), QStringLiteral("maria")};
    EXPECT_EQ(PersonalNames::merged(dictionary),
              (QStringList{QStringLiteral("Kubernetes"), QStringLiteral("maria"), QStringLiteral("José"),
                           QStringLiteral("Cruz"), QStringLiteral("Hernández")}));

    defaults.set(QStringLiteral("useAccountName"), QStringLiteral("no")); // not a Boolean: on
    EXPECT_EQ(PersonalNames::merged({}).size(), 4);
    defaults.set(QStringLiteral("useAccountName"), false);
    EXPECT_EQ(PersonalNames::merged(dictionary), dictionary);
    defaults.remove(QStringLiteral("useAccountName"));

    fakes.userAccount.name = QStringLiteral("Al Bo");
    EXPECT_EQ(PersonalNames::merged(dictionary), dictionary);
}

} // namespace
