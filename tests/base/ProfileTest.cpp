#include "base/Profile.h"

#include <gtest/gtest.h>

// Names beyond ASCII match without regard to case in the file's code page.
TEST(ProfileText, NonAsciiNamesMatchWithoutRegardToCase) {
    const AnsiCodec cyrillic(1251);
    const QByteArray content = cyrillic.encode(QStringLiteral("[Группа]\r\nИмя=Линия\r\n"));
    const profile::ProfileText text(content, cyrillic);
    const auto value = text.value(QStringLiteral("ГРУППА"), QStringLiteral("имя"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(cyrillic.decode(*value), QStringLiteral("Линия"));
    EXPECT_FALSE(text.value(QStringLiteral("Группа"), QStringLiteral("Им")).has_value());
}

TEST(ProfileText, UnrepresentableCharactersBecomeQuestionMarks) {
    const AnsiCodec western(1252);
    EXPECT_EQ(western.encode(QStringLiteral("aé€Ω")), QByteArray("a\xE9\x80?"));
    EXPECT_EQ(western.decode(QByteArray("\xE9\x80")), QStringLiteral("é€"));
}

TEST(ProfileText, IntegerParsingWraps) {
    EXPECT_EQ(profile::parseProfileInt("99999999999"), static_cast<qint32>(99999999999LL & 0xFFFFFFFF));
    EXPECT_EQ(profile::parseProfileInt("  -12x"), -12);
    EXPECT_EQ(profile::parseProfileInt("- 1"), 0);
}
