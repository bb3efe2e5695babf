// The language table: its rules on tables of any content, and the loader through its child process
// against real database files.
#include "lang/LanguageLoader.h"
#include "lang/LanguageTable.h"

#include "platform/Platform.h"

#include "TestUtil.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

using namespace lang;
using namespace testutil;

namespace {
const QString Data = QStringLiteral(VRR_TEST_DATA);

LanguageTable load(const QString& path, lang::LoadOutcome* outcome = nullptr, lang::LoaderLimits limits = {}) {
    LanguageTable table;
    const lang::LoadOutcome result = lang::loadLanguages(path, platform::programFilePath(), table, limits);
    if (outcome) *outcome = result;
    return table;
}

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

TEST(LanguageLoader, ReadsTheSampleDatabase) {
    lang::LoadOutcome outcome;
    const LanguageTable t = load(Data + "/languages.mdb", &outcome);
    EXPECT_TRUE(outcome.complete);
    ASSERT_EQ(t.LanguageCount, 18);
    const LanguageRecord& en = t.Languages[1];
    EXPECT_EQ(en.LcId, 1033);
    EXPECT_EQ(en.Name, "English (United States)");
    EXPECT_EQ(en.KBLayout, 67699721);
    EXPECT_EQ(en.FontName, "Tahoma");
    const LanguageRecord& pl = t.Languages[t.find(1045)];
    EXPECT_EQ(pl.CharSet, 238);
    EXPECT_EQ(pl.CodePage, 1250);
    const LanguageRecord& lt = t.Languages[t.find(1063)];
    EXPECT_EQ(lt.Name, "Lietuvių");
    const LanguageRecord& ja = t.Languages[t.find(1041)];
    EXPECT_EQ(ja.Name, "日本語");
    EXPECT_EQ(ja.FontName, "MS Gothic");
    EXPECT_EQ(ja.CharSet, 128);
    EXPECT_EQ(ja.CodePage, 932);
    EXPECT_EQ(t.Languages[t.find(1049)].CharSet, 204);
    EXPECT_EQ(t.Languages[t.find(2052)].FontName, "SimSun");
}

TEST(LanguageLoader, RowsBeyondTheLimitsAreIgnored) {
    const LanguageTable t = load(Data + "/limits.mdb");
    ASSERT_EQ(t.LanguageCount, 200);
    EXPECT_EQ(t.Languages[200].Name, "Language 199");
    EXPECT_EQ(t.Languages[50].FontName, "Font49"); // the 50th pair and the 50th font
    EXPECT_EQ(t.Languages[51].FontName, "Lucida Sans Unicode");
}

TEST(LanguageLoader, EmptyMissingAndUnreadableFilesGiveNoLanguages) {
    QTemporaryDir dir;
    QByteArray noise(65536, '\0');
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    writeBytes(dir.filePath("zero.mdb"), "");
    writeBytes(dir.filePath("noise.mdb"), noise);
    for (const QString& path : {Data + "/empty.mdb", dir.filePath("zero.mdb"), dir.filePath("noise.mdb"), dir.path()})
        EXPECT_EQ(load(path).LanguageCount, 0) << path.toStdString();
    lang::LoadOutcome outcome;
    EXPECT_EQ(load(Data + "/does-not-exist.mdb", &outcome).LanguageCount, 0);
    EXPECT_FALSE(outcome.started);
}

TEST(LanguageLoader, KnownLibraryCrashesAreAvoidedOrSurvived) {
    QTemporaryDir dir;
    QByteArray sample = readBytes(Data + "/languages.mdb");
    // An empty usage-map row for the catalog, then for TidxFonts alone.
    QByteArray catalog = sample;
    catalog[0x2037] = static_cast<char>(0x80);
    writeBytes(dir.filePath("catalog.mdb"), catalog);
    lang::LoadOutcome outcome;
    EXPECT_EQ(load(dir.filePath("catalog.mdb"), &outcome).LanguageCount, 0);
    EXPECT_TRUE(outcome.complete);
    QByteArray fonts = sample;
    fonts[0x302E] = static_cast<char>(0xB0);
    writeBytes(dir.filePath("fonts.mdb"), fonts);
    const LanguageTable t = load(dir.filePath("fonts.mdb"), &outcome);
    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ(t.LanguageCount, 18); // the other tables still read
    EXPECT_EQ(t.Languages[1].FontName, "Lucida Sans Unicode");
}

TEST(LanguageLoader, AChildThatHangsOrGrowsIsStopped) {
    QTemporaryDir dir;
    const QString hang = dir.filePath("hang.sh");
    writeBytes(hang, "#!/bin/sh\nexec sleep 60\n");
    const QString grow = dir.filePath("grow.sh");
    writeBytes(grow, "#!/bin/sh\nexec tail -c 400000000 /dev/zero\n");
    for (const QString& script : {hang, grow})
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString database = Data + "/languages.mdb";
    for (const QString& script : {hang, grow}) {
        LanguageTable table;
        QElapsedTimer clock;
        clock.start();
        const lang::LoadOutcome outcome =
            lang::loadLanguages(database, script, table, lang::LoaderLimits{1500, 64LL * 1024 * 1024});
        EXPECT_TRUE(outcome.killed) << script.toStdString();
        EXPECT_LT(clock.elapsed(), 4000);
        EXPECT_EQ(table.LanguageCount, 0);
    }
}

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
