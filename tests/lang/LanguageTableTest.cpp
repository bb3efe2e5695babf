#include "lang/LanguageTable.h"

#include <gtest/gtest.h>

using namespace lang;

namespace {
RawTable table(const QStringList& columns, const QList<QList<std::optional<QString>>>& rows) {
    RawTable t;
    t.present = true;
    t.columns = columns;
    t.rows = rows;
    return t;
}
std::optional<QString> v(const char* text) { return QString::fromUtf8(text); }
const std::optional<QString> null = std::nullopt;

RawLanguageTables sample() {
    RawLanguageTables t;
    t.fonts = table({"ID", "FontName", "CharSet"}, {{v("1"), v("Tahoma"), v("0")},
                                                    {v("50"), v("Fifty"), v("1")},
                                                    {v("52"), v("Arial"), v("238")},
                                                    {v("51"), v("Tahoma"), v("238")},
                                                    {v("-49"), v("Minus"), v("5")},
                                                    {null, null, null}});
    t.fontClasses = table({"ID", "ClassName", "L1033", "L1045", "Comment", "L1038", "L1038_Old", "l1029", "L1049"},
                          {{v("1"), v("Default"), v("1"), v("51"), v("x"), v("52"), v("51"), v("51"), v("-49")},
                           {v("2"), v("Fixed"), v("51"), v("1"), null, v("1"), v("1"), v("1"), v("1")}});
    t.languages = table({"ID", "Language", "Name", "CodePage", "KBLayout"},
                        {{v("1"), v("1033"), v("English"), v("1252"), v("67699721")},
                         {v("2"), v("1045"), v("Polski"), v("1250"), v("68486165")},
                         {v("3"), v("1038"), v("Magyar"), v("1250 Central"), v("1")},
                         {v("4"), v("1029"), v("Čeština"), v("1250"), v("2")},
                         {v("5"), v("1049"), v("Русский"), v("1251"), v("3")},
                         {v("6"), v("1063"), v("Lietuvių"), null, v("4")}});
    return t;
}
} // namespace

TEST(LanguageTable, FontsClassesAndLanguagesFollowTheRules) {
    LanguageTable t;
    t.build(sample());
    ASSERT_EQ(t.LanguageCount, 6);
    EXPECT_EQ(t.Languages[0].Name, ""); // entry 0 is never filled
    const LanguageRecord& en = t.Languages[1];
    EXPECT_EQ(en.LcId, 1033);
    EXPECT_EQ(en.Name, "English");
    EXPECT_EQ(en.CodePage, 1252);
    EXPECT_EQ(en.KBLayout, 67699721);
    EXPECT_EQ(en.FontName, "Tahoma");
    EXPECT_EQ(en.CharSet, 0);
    EXPECT_EQ(t.Languages[2].CharSet, 238);
    // Leftmost column of a locale decides even when it matches no kept font (52 was dropped).
    EXPECT_EQ(t.Languages[3].FontName, "Lucida Sans Unicode");
    EXPECT_EQ(t.Languages[3].CharSet, 0);
    EXPECT_EQ(t.Languages[3].CodePage, 1250); // the leading number of the text
    // Column names must start with an upper-case L.
    EXPECT_EQ(t.Languages[4].FontName, "Lucida Sans Unicode");
    // Font id -49 is kept: a floor modulo leaves 1.
    EXPECT_EQ(t.Languages[5].FontName, "Minus");
    EXPECT_EQ(t.Languages[5].CharSet, 5);
    EXPECT_EQ(t.Languages[6].CodePage, 0); // NULL leaves the field as it was
    EXPECT_EQ(t.find(1049), 5);
    EXPECT_EQ(t.find(1063), 6); // the last entry too
    EXPECT_EQ(t.find(9999), 0);
}

TEST(LanguageTable, OnlyTheFirstTwoColumnsAreSkippedAndOnlyTheFirstRowCounts) {
    RawLanguageTables t = sample();
    t.fontClasses = table({"L1033", "L1045", "L1045"}, {{v("51"), v("51"), v("1")}, {v("1"), v("1"), v("51")}});
    LanguageTable lt;
    lt.build(t);
    EXPECT_EQ(lt.Languages[1].FontName, "Lucida Sans Unicode"); // L1033 is the first column: not examined
    EXPECT_EQ(lt.Languages[2].FontName, "Tahoma");
    EXPECT_EQ(lt.Languages[2].CharSet, 0); // third column, first row: font 1
}

TEST(LanguageTable, EmptyOrMissingTablesGiveAnEmptyTableOrDefaults) {
    LanguageTable t;
    t.build(RawLanguageTables{});
    EXPECT_EQ(t.LanguageCount, 0);
    RawLanguageTables onlyLanguages = sample();
    onlyLanguages.fonts = {};
    onlyLanguages.fontClasses = {};
    t.build(onlyLanguages);
    ASSERT_EQ(t.LanguageCount, 6);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(t.Languages[i].FontName, "Lucida Sans Unicode");
        EXPECT_EQ(t.Languages[i].CharSet, 0);
    }
}
