#include "cleanup/Veiled.h"

#include <gtest/gtest.h>

namespace {

TEST(VeiledTest, RoundTripsMultibyteTextAndTheKeyRestartsAfterItsLength) {
    const QString text = QStringLiteral("Entfernen Sie Füllwörter — „ähm“ — aus dem Diktat, bitte 😀");
    ASSERT_GT(text.toUtf8().size(), 2 * Veiled::key().size());
    const QByteArray stored = Veiled::veil(text);
    EXPECT_EQ(stored.size(), text.toUtf8().size());
    EXPECT_NE(stored, text.toUtf8());
    EXPECT_EQ(Veiled::unveil(stored), text);

    const qsizetype length = Veiled::key().size();
    ASSERT_EQ(length, 21) << "scripts/veil.py veils with the same key";
    const QByteArray as = Veiled::veil(QString(length + 1, QLatin1Char('a')));
    EXPECT_EQ(as[length], char('a' ^ Veiled::key()[0]));
    EXPECT_EQ(as[length - 1], char('a' ^ Veiled::key()[length - 1]));
}

TEST(VeiledTest, EmptyInvalidAndScriptMadeBytes) {
    EXPECT_EQ(Veiled::unveil(QByteArray()), QString());
    // 0xFF is never valid UTF-8: it unveils to the replacement character.
    EXPECT_EQ(Veiled::unveil(QByteArray(1, char(0xFF ^ Veiled::key()[0]))), QString(QChar(0xFFFD)));
    // scripts/veil.py prints this literal for "héllo".
    EXPECT_EQ(Veiled::unveil(QByteArray("\x09\xae\xcb\x09\x1e\x42", 6)), QStringLiteral("héllo"));
}

} // namespace
