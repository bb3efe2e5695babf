#include "base/Profile.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <vector>

using namespace base;

// Names beyond ASCII match without regard to case in the file's code page; a character the code
// page lacks becomes a question mark.
TEST(ProfileText, NamesBeyondAsciiMatchWithoutRegardToCaseAndOthersBecomeQuestionMarks) {
    const AnsiCodec cyrillic(1251);
    const QByteArray content = cyrillic.encode(QStringLiteral("[Группа]\r\nИмя=Линия\r\n"));
    const profile::ProfileText text(content, cyrillic);
    const auto value = text.value(QStringLiteral("ГРУППА"), QStringLiteral("имя"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(cyrillic.decode(*value), QStringLiteral("Линия"));
    EXPECT_FALSE(text.value(QStringLiteral("Группа"), QStringLiteral("Им")).has_value());
    const AnsiCodec western(1252);
    EXPECT_EQ(western.encode(QStringLiteral("aé€Ω")), QByteArray("a\xE9\x80?"));
    EXPECT_EQ(western.decode(QByteArray("\xE9\x80")), QStringLiteral("é€"));
}

TEST(ProfileText, IntegerParsingWraps) {
    EXPECT_EQ(profile::parseProfileInt("99999999999"), static_cast<qint32>(99999999999LL & 0xFFFFFFFF));
    EXPECT_EQ(profile::parseProfileInt("  -12x"), -12);
    EXPECT_EQ(profile::parseProfileInt("- 1"), 0);
}

namespace {
// The reference: each write applied to the bytes the one before gave.
QByteArray oneByOne(QByteArray content, const std::vector<profile::ValueWrite>& writes, const AnsiCodec& codec) {
    for (const profile::ValueWrite& w : writes)
        content = profile::ProfileText(std::move(content), codec).withValue(w.section, w.key, w.value);
    return content;
}

// Pieces of hand-edited and program-written files, chosen so that random combinations hit the
// awkward places: repeated and differently cased sections, keys before any section, comments,
// blank lines, lone CR and LF, no line break at the end, names beyond ASCII, brackets and '='
// inside names.
const char* const FilePieces[] = {
    "[Ma0]",     "[MA0]",        " [ ma1 ] ", "[General]", "[Table]",         "[\xD0\x93]",
    "[a]b]",     "[open",        "Text=A",    "text = B ", "  Address=\"q\"", "Group=3",
    "; comment", "# note",       "",          "   ",       "=nothing",        "Size0=900",
    "novalue",   "\xD0\xB3=cyr", "Key=a=b",   "[Ma2]",     "Enabled=true",
};
const char* const Breaks[] = {"\r\n", "\n", "\r", "\r\n"};
const char* const Sections[] = {"Ma0", "ma0",      "Ma1",      "MA2",     "General", "Table", "New",
                                "new", "\xD0\x93", "\xD0\xB3", " padded", "a]b",     "[x",    "br\nk"};
const char* const Keys[] = {"Text", "TEXT", "Address", "Group", "Size0", "Fresh", "novalue", "\xD0\xB3",
                            " k",   "Key",  "[k",      "a=b",   "",      "; c",   "x\ry"};
const char* const Values[] = {"1", "", "  lead", "two\r\nlines", "x]", "\xD0\xB6", "\"q\"", "-5"};

template <size_t N> const char* pick(const char* const (&list)[N], QRandomGenerator& random) {
    return list[random.bounded(static_cast<quint32>(N))];
}
} // namespace

// Many writes made in one pass give exactly the bytes of the same writes made one at a time, on
// files of every shape and with names and values that test the edges of the format.
TEST(ProfileText, ABatchOfWritesEqualsTheWritesOneByOne) {
    const AnsiCodec utf8(AnsiCodec::Utf8);
    QRandomGenerator random(20261206);
    for (int round = 0; round < 3000; ++round) {
        QByteArray content;
        const int lines = static_cast<int>(random.bounded(14u));
        for (int i = 0; i < lines; ++i) content += QByteArray(pick(FilePieces, random)) + pick(Breaks, random);
        if (random.bounded(3u) == 0 && content.endsWith('\n')) content.chop(1);
        std::vector<profile::ValueWrite> writes;
        const int count = static_cast<int>(random.bounded(1u, 12u));
        for (int i = 0; i < count; ++i)
            writes.push_back({QString::fromUtf8(pick(Sections, random)), QString::fromUtf8(pick(Keys, random)),
                              QByteArray(pick(Values, random))});
        const QByteArray batch = profile::ProfileText(content, utf8).withValues(writes);
        ASSERT_EQ(batch, oneByOne(content, writes, utf8)) << "round " << round << " file: " << content.toStdString();
    }
}
