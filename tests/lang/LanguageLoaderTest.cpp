// The loader through its child process, against real database files.

#include "lang/LanguageLoader.h"

#include "platform/Platform.h"

#include "TestUtil.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

using namespace lang;

using testutil::readBytes;
using testutil::writeBytes;

namespace {
const QString Data = QStringLiteral(VRR_TEST_DATA);

LanguageTable load(const QString& path, lang::LoadOutcome* outcome = nullptr, lang::LoaderLimits limits = {}) {
    LanguageTable table;
    const lang::LoadOutcome result = lang::loadLanguages(path, platform::programFilePath(), table, limits);
    if (outcome) *outcome = result;
    return table;
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
    const LanguageRecord& hu = t.Languages[t.find(1038)];
    EXPECT_EQ(hu.FontName, "Lucida Sans Unicode"); // leftmost L1038 (52) matches no kept font
    EXPECT_EQ(hu.CharSet, 0);
    const LanguageRecord& lt = t.Languages[t.find(1063)];
    EXPECT_EQ(lt.FontName, "Lucida Sans Unicode");
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
