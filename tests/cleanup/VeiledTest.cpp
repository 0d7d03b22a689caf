#include "cleanup/Veiled.h"

#include <gtest/gtest.h>

namespace {

TEST(VeiledTest, RoundTripsMultibyteTextAcrossTheKeyLength) {
    const QString text = QStringLiteral("Entfernen Sie Füllwörter — „ähm“ — aus dem Diktat, bitte 😀");
    ASSERT_GT(text.toUtf8().size(), 2 * Veiled::key().size());
    const QByteArray stored = Veiled::veil(text);
    EXPECT_EQ(stored.size(), text.toUtf8().size());
    EXPECT_NE(stored, text.toUtf8());
    EXPECT_EQ(Veiled::unveil(stored), text);
}

TEST(VeiledTest, TheKeyRestartsAtByte21) {
    ASSERT_EQ(Veiled::key().size(), 21);
    const QByteArray stored = Veiled::veil(QString(22, QLatin1Char('a')));
    EXPECT_EQ(stored[21], char('a' ^ Veiled::key()[0]));
    EXPECT_EQ(stored[20], char('a' ^ Veiled::key()[20]));
}

TEST(VeiledTest, EmptyAndInvalidBytes) {
    EXPECT_EQ(Veiled::unveil(QByteArray()), QString());
    // 0xFF is never valid UTF-8: it unveils to the replacement character.
    const QByteArray stored(1, char(0xFF ^ Veiled::key()[0]));
    EXPECT_EQ(Veiled::unveil(stored), QString(QChar(0xFFFD)));
}

TEST(VeiledTest, TheScriptAndTheProgramAgree) {
    // scripts/veil.py prints this literal for "héllo".
    EXPECT_EQ(Veiled::unveil(QByteArray("\x09\xae\xcb\x09\x1e\x42", 6)), QStringLiteral("héllo"));
}

} // namespace
