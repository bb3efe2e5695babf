#include "base/Settings.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <sys/stat.h>

using namespace base;

using testutil::readBytes;
using testutil::writeBytes;

namespace {
class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("Client.ini"));
    void write(const QByteArray& bytes) { writeBytes(file, bytes); }
    QString str(const char* section, const char* key) {
        return IniReadString(QString::fromLatin1(section), QString::fromLatin1(key), file);
    }
    int16_t num(const char* section, const char* key) {
        return IniReadInt(QString::fromLatin1(section), QString::fromLatin1(key), file);
    }
};
} // namespace

TEST_F(SettingsFileTest, LineEndsBlanksAndCaseOfNames) {
    write("[One]\rA=1\n  [ two ]  \r\n\t b \t=\t two words \t\r\nC = last");
    EXPECT_EQ(str("one", "a"), "1");
    EXPECT_EQ(str("TWO", "B"), "two words");
    EXPECT_EQ(str("Two", "c"), "last"); // the last line needs no line end
    EXPECT_EQ(str("One", "B"), "");     // keys belong to their own section
}

TEST_F(SettingsFileTest, SectionNameIsUpToTheLastBracketAndKeySplitsAtFirstEquals) {
    write("[a]b] trailing\r\nkey=b=c\r\n");
    EXPECT_EQ(str("a]b", "key"), "b=c");
    write("[open\r\nk=v\r\n"); // no closing bracket: not a section
    EXPECT_EQ(str("open", "k"), "");
}

TEST_F(SettingsFileTest, CommentsQuotesAndEmptyValues) {
    write("[S]\r\n;k=commented\r\n#h=hash\r\nk=a;b ; not a comment\r\nq=\"quoted value\"\r\nq1='x'\r\n"
          "q2=\"\r\nq3=\"mismatch'\r\nempty=\r\nbare\r\n");
    EXPECT_EQ(str("S", ";k"), "");
    EXPECT_EQ(str("S", "#h"), "");
    EXPECT_EQ(str("S", "k"), "a;b ; not a comment");
    EXPECT_EQ(str("S", "q"), "quoted value");
    EXPECT_EQ(str("S", "q1"), "x");
    EXPECT_EQ(str("S", "q2"), "\"");
    EXPECT_EQ(str("S", "q3"), "\"mismatch'");
    EXPECT_EQ(str("S", "empty"), "");
    EXPECT_EQ(num("S", "empty"), -1);
    EXPECT_EQ(str("S", "bare"), "");
}

TEST_F(SettingsFileTest, FirstSectionAndFirstKeyWinAndKeysBeforeSectionsAreNotFound) {
    write("k=before\r\n[S]\r\nk=first\r\nK=second\r\n[s]\r\nk=third\r\nother=x\r\n");
    EXPECT_EQ(str("S", "k"), "first");
    EXPECT_EQ(str("S", "other"), ""); // only the first matching section counts
    EXPECT_EQ(str("", "k"), "");
}

TEST_F(SettingsFileTest, ValuesAreCutTo254Bytes) {
    write("[S]\r\nlong=" + QByteArray(300, 'x') + "\r\n");
    EXPECT_EQ(str("S", "long").size(), 254);
}

TEST_F(SettingsFileTest, IntegersFollowTheProfileRules) {
    write("[S]\r\na= -5\r\nb=+7\r\nc=12abc\r\nd=abc\r\ne=70000\r\nf=4294967295\r\ng=-70000\r\nh=32768\r\ni=\"42\"\r\n");
    EXPECT_EQ(num("S", "a"), -5);
    EXPECT_EQ(num("S", "b"), 7);
    EXPECT_EQ(num("S", "c"), 12);
    EXPECT_EQ(num("S", "d"), 0);
    EXPECT_EQ(num("S", "e"), 4464);
    EXPECT_EQ(num("S", "f"), -1);
    EXPECT_EQ(num("S", "g"), -4464);
    EXPECT_EQ(num("S", "h"), -32768);
    EXPECT_EQ(num("S", "i"), 42);
    EXPECT_EQ(num("S", "missing"), -1);
    EXPECT_EQ(num("Missing", "a"), -1);
    EXPECT_EQ(IniReadInt("S", "a", dir.filePath("nofile.ini")), -1);
}

TEST_F(SettingsFileTest, BooleansAreTrueOnlyForTheWordTrue) {
    write("[S]\r\na=True\r\nb=TRUE\r\nc=true\r\nd=1\r\ne=yes\r\nf=\r\ng='true'\r\nh=true \r\n");
    for (const char* key : {"a", "b", "c", "g", "h"}) EXPECT_TRUE(IniReadBool("S", key, file)) << key;
    for (const char* key : {"d", "e", "f", "missing"}) EXPECT_FALSE(IniReadBool("S", key, file)) << key;
}

TEST_F(SettingsFileTest, SaveWritesValuesByKind) {
    EXPECT_NE(IniSave(true, "S", "t", file), 0);
    EXPECT_NE(IniSave(false, "S", "f", file), 0);
    EXPECT_NE(IniSave(int16_t(-5), "S", "i16", file), 0);
    EXPECT_NE(IniSave(int32_t(1252), "S", "i32", file), 0);
    EXPECT_NE(IniSave(1.5, "S", "d", file), 0);
    EXPECT_NE(IniSave(QStringLiteral("  lead and trail  "), "S", "s", file), 0);
    EXPECT_EQ(readBytes(file), "[S]\r\nt=true\r\nf=false\r\ni16=-5\r\ni32=1252\r\nd=1.5\r\ns=lead and trail  \r\n");
}

TEST_F(SettingsFileTest, MissingFileIsCreatedWithSectionAndKey) {
    EXPECT_NE(IniSave(QStringLiteral("v"), "General", "Key", file), 0);
    EXPECT_EQ(readBytes(file), "[General]\r\nKey=v\r\n");
}

TEST_F(SettingsFileTest, WriteChangesOnlyTheOneLine) {
    const QByteArray before = "; settings\r\n[General]\r\n  LcId = 1031 \r\nFontName=Arial\r\n\r\n[Ma0]\nText=A\n";
    write(before);
    ASSERT_NE(IniSave(int32_t(1049), "GENERAL", "lcid", file), 0);
    EXPECT_EQ(readBytes(file), "; settings\r\n[General]\r\nLcId=1049\r\nFontName=Arial\r\n\r\n[Ma0]\nText=A\n");
    // A new key goes after the section's last line, before the blank line that separates it;
    // it takes the line end of the line it follows.
    ASSERT_NE(IniSave(QStringLiteral("x"), "ma0", "Address", file), 0);
    EXPECT_EQ(readBytes(file),
              "; settings\r\n[General]\r\nLcId=1049\r\nFontName=Arial\r\n\r\n[Ma0]\nText=A\nAddress=x\n");
    ASSERT_NE(IniSave(QStringLiteral("1"), "General", "New", file), 0);
    EXPECT_EQ(readBytes(file),
              "; settings\r\n[General]\r\nLcId=1049\r\nFontName=Arial\r\nNew=1\r\n\r\n[Ma0]\nText=A\nAddress=x\n");
}

TEST_F(SettingsFileTest, NewSectionIsAppendedAndAMissingLastLineEndIsAdded) {
    write("[A]\r\nk=v");
    ASSERT_NE(IniSave(QStringLiteral("2"), "A", "n", file), 0);
    EXPECT_EQ(readBytes(file), "[A]\r\nk=v\r\nn=2\r\n");
    write("[A]\r\nk=v");
    ASSERT_NE(IniSave(QStringLiteral("3"), "B", "m", file), 0);
    EXPECT_EQ(readBytes(file), "[A]\r\nk=v\r\n[B]\r\nm=3\r\n");
}

TEST_F(SettingsFileTest, LineBreaksInAValueCannotPlantKeys) {
    ASSERT_NE(IniSave(QStringLiteral("a\r\n[Evil]\r\nk=v"), "S", "name", file), 0);
    EXPECT_EQ(str("Evil", "k"), "");
    EXPECT_EQ(str("S", "name"), "a  [Evil]  k=v");
}

TEST_F(SettingsFileTest, HandEditsBetweenCallsAreSeenAndKept) {
    write("[S]\r\na=1\r\n");
    EXPECT_EQ(num("S", "a"), 1);
    write("[S]\r\na=2\r\n; added by hand\r\n");
    EXPECT_EQ(num("S", "a"), 2);
    ASSERT_NE(IniSave(int16_t(3), "S", "b", file), 0);
    EXPECT_EQ(readBytes(file), "[S]\r\na=2\r\n; added by hand\r\nb=3\r\n");
}

TEST_F(SettingsFileTest, WritesFollowLinksAndKeepTheFileMode) {
    const QString real = dir.filePath("real.ini");
    writeBytes(real, "[S]\r\nk=1\r\n");
    ::chmod(QFile::encodeName(real).constData(), 0640);
    ASSERT_TRUE(QFile::link(real, file));
    ASSERT_NE(IniSave(int16_t(2), "S", "k", file), 0);
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_EQ(readBytes(real), "[S]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

TEST_F(SettingsFileTest, UnusablePathsGiveDefaultsAndFailingWrites) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Client.ini")); // a directory where the file should be
    EXPECT_EQ(num("S", "k"), -1);
    EXPECT_EQ(str("S", "k"), "");
    EXPECT_EQ(IniSave(int16_t(1), "S", "k", file), 0);
    EXPECT_TRUE(QFileInfo(file).isDir());
    EXPECT_EQ(IniSave(int16_t(1), "S", "k", dir.filePath("missing/dir/x.ini")), 0);
}

TEST_F(SettingsFileTest, GarbageAndHugeLinesReadWithoutHarm) {
    QByteArray garbage(200000, '\0');
    QRandomGenerator random(7);
    for (char& c : garbage) c = static_cast<char>(random.bounded(256));
    write(garbage + "\r\n[S]\r\nk=5\r\n" + QByteArray(10 * 1024 * 1024, 'y'));
    EXPECT_EQ(num("S", "k"), 5);
    EXPECT_EQ(num("S", "y"), -1);
    ASSERT_NE(IniSave(int16_t(6), "S", "k", file), 0);
    const QByteArray after = readBytes(file);
    EXPECT_TRUE(after.startsWith(garbage)); // every other byte stays as it was
    EXPECT_EQ(num("S", "k"), 6);
}

TEST_F(SettingsFileTest, AUtf8MarkIsSkippedAndTheFileStaysUtf8) {
    // Saved by an editor that puts a byte-order mark first: the first section is read.
    writeBytes(file, "\xEF\xBB\xBF[General]\r\nLogSystem=true\r\nGroup0=F\xC3\xBCller\r\n[Ma0]\r\nText=x\r\n");
    EXPECT_TRUE(IniReadBool("General", "LogSystem", file));
    EXPECT_EQ(IniReadString("General", "Group0", file), "Füller");
    // Text keeps its Unicode encoding when written, also outside the workstation's code page.
    ASSERT_EQ(IniSave(QStringLiteral("Упаковщик"), "Ma0", "Text", file), 1);
    EXPECT_EQ(readBytes(file), "\xEF\xBB\xBF[General]\r\nLogSystem=true\r\nGroup0=F\xC3\xBCller\r\n[Ma0]\r\nText="
                               "\xD0\xA3\xD0\xBF\xD0\xB0\xD0\xBA\xD0\xBE\xD0\xB2\xD1\x89\xD0\xB8\xD0\xBA\r\n");
    EXPECT_EQ(IniReadString("Ma0", "Text", file), "Упаковщик");
    // The 254-byte limit never cuts a character in two.
    ASSERT_EQ(IniSave(QString(200, QChar(0x00E9)), "Ma0", "Text", file), 1);
    EXPECT_EQ(IniReadString("Ma0", "Text", file), QString(127, QChar(0x00E9)));
    ASSERT_EQ(IniSave(QString(100, QChar(0x20AC)), "Ma0", "Text", file), 1); // three bytes each
    EXPECT_EQ(IniReadString("Ma0", "Text", file), QString(84, QChar(0x20AC)));
}

TEST_F(SettingsFileTest, Utf16FilesAreReadAndWrittenInTheirEncoding) {
    for (const auto converter : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const QByteArray mark = converter == QStringConverter::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";
        QStringEncoder encode(converter);
        writeBytes(file, mark + QByteArray(encode(QStringLiteral("[General]\r\nGroup1=Ελληνικά\r\nLcId=1032\r\n"))));
        EXPECT_EQ(IniReadString("General", "Group1", file), "Ελληνικά");
        EXPECT_EQ(IniReadInt("General", "LcId", file), 1032);
        ASSERT_EQ(IniSave(QStringLiteral("包装"), "General", "Group2", file), 1);
        EXPECT_EQ(
            readBytes(file),
            mark + QByteArray(encode(QStringLiteral("[General]\r\nGroup1=Ελληνικά\r\nLcId=1032\r\nGroup2=包装\r\n"))));
    }
    // A new file gets no mark, and a file without one stays in the workstation's code page.
    QFile::remove(file);
    ASSERT_EQ(IniSave(QStringLiteral("Füller"), "General", "Group0", file), 1);
    EXPECT_EQ(readBytes(file), "[General]\r\nGroup0=F\xFCller\r\n");
}
