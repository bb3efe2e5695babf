// The settings file and what the program reads from it: numbers in text, the profile text (names
// beyond ASCII, code pages, a batch of writes against the same writes one by one), reads and writes
// by the profile rules, links, modes, failures, garbage and Unicode files, what changed between two
// states of it as the reader sees it; the line layout's keys, bounds and saves, and the general
// settings.
#include "base/Settings.h"
#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "base/Numbers.h"
#include "base/Profile.h"
#include "base/ProgramPaths.h"
#include "base/SettingsDiff.h"

#include "FakeOs.h"
#include "TestUtil.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>

#include <optional>
#include <sys/stat.h>
#include <vector>

using namespace base;
using namespace testutil;

// Both reads of a number in text, with both ends of their ranges inside them: a leading number takes what the
// text starts with, a strict one the whole text; both round to the nearest integer, ties to even.
TEST(Numbers, LeadingAndStrictNumbersAndTheirRanges) {
    struct Case {
        const char16_t* text;
        qint64 min, max;
        std::optional<qint64> leading, strict;
    };
    const std::nullopt_t none = std::nullopt;
    const Case cases[] = {{u"12abc", 0, 100, 12, none},
                          {u"abc", -5, 5, 0, none},
                          {u"", 0, 100, 0, none},
                          {u" -3", -5, 5, -3, -3},
                          {u"\t+4 ", 0, 9, 4, 4},
                          {u"2.5", 0, 9, 2, 2},
                          {u"3.5", 0, 9, 4, 4},
                          {u"3.6x", 0, 9, 4, none},
                          {u"0", 0, 63, 0, 0},
                          {u"63", 0, 63, 63, 63},
                          {u"64", 0, 63, none, none},
                          {u"-1", 0, 63, none, none},
                          {u" 51 ", 0, 100, 51, 51},
                          {u"40000", INT16_MIN, INT16_MAX, none, none},
                          {u"-32768", INT16_MIN, INT16_MAX, -32768, -32768},
                          {u"99999999999999999999999", INT32_MIN, INT32_MAX, none, none}};
    for (const Case& c : cases) {
        const QStringView text(c.text);
        EXPECT_EQ(leadingNumber(text, c.min, c.max), c.leading) << text.toString().toStdString();
        EXPECT_EQ(strictNumber(text, c.min, c.max), c.strict) << text.toString().toStdString();
    }
}

namespace {
class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("Client.ini"));
};

QStringList changes(const QByteArray& before, const QByteArray& after) {
    QStringList out;
    for (const SettingChange& c : settingsChanges(before, after))
        out << c.section + "/" + c.key + ": " + (c.oldValue.isNull() ? "-" : c.oldValue) + " > " +
                   (c.newValue.isNull() ? "-" : c.newValue);
    return out;
}

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

class LayoutTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProgramPaths paths{dir.path(), QStringLiteral("Client")};
    QString file = paths.settingsFile();
    LineLayout layout;
    void loadAll(LineLayout& into) {
        into.loadMachines(file);
        into.loadGroupNames(file);
        into.loadTableSize(file);
    }
};
} // namespace

// The read rules of the profile format: line ends, blanks and case of names, the first section
// and key winning, comments, quotes, the 254-byte cut, integers and booleans.
TEST_F(SettingsFileTest, ReadsFollowTheProfileRules) {
    writeBytes(file,
               "k=before\r\n[One]\rA=1\n  [ two ]  \r\n\t b \t=\t two words \t\r\n[a]b] trailing\r\nkey=b=c\r\n"
               "[open\r\nk=v\r\n[S]\r\n;k=commented\r\n#h=hash\r\nk=a;b ; not a comment\r\nK=second\r\n"
               "q=\"quoted value\"\r\nq1='x'\r\nq2=\"\r\nq3=\"mismatch'\r\nempty=\r\nbare\r\nlong=" +
                   QByteArray(300, 'x') +
                   "\r\n"
                   "i1= -5\r\ni2=+7\r\ni3=12abc\r\ni4=abc\r\ni5=70000\r\ni6=4294967295\r\ni7=-70000\r\n"
                   "i8=32768\r\ni9=\"42\"\r\n"
                   "b1=True\r\nb2=TRUE\r\nb3='true'\r\nb4=true \r\nb5=1\r\nb6=yes\r\n[s]\r\nk=third\r\nother=x\r\n"
                   "[Last]\r\nC = end");
    const std::tuple<const char*, const char*, QString> strings[] = {
        {"one", "a", "1"},
        {"TWO", "B", "two words"},
        {"One", "B", ""},      // keys belong to their own section
        {"a]b", "key", "b=c"}, // a section name runs to the last bracket, a key to the first '='
        {"open", "k", ""},     // no closing bracket: no section
        {"", "k", ""},         // keys before any section are never found
        {"S", ";k", ""},
        {"S", "#h", ""},
        {"S", "k", "a;b ; not a comment"}, // the first key wins
        {"S", "other", ""},                // only the first matching section counts
        {"S", "q", "quoted value"},
        {"S", "q1", "x"},
        {"S", "q2", "\""},
        {"S", "q3", "\"mismatch'"},
        {"S", "empty", ""},
        {"S", "bare", ""},
        {"S", "long", QString(254, 'x')},
        {"Last", "c", "end"}, // the last line needs no line end
    };
    for (const auto& [section, key, value] : strings) EXPECT_EQ(IniReadString(section, key, file), value) << key;
    const std::tuple<const char*, int16_t> integers[] = {
        {"i1", -5},    {"i2", 7},      {"i3", 12}, {"i4", 0},     {"i5", 4464},    {"i6", -1},
        {"i7", -4464}, {"i8", -32768}, {"i9", 42}, {"empty", -1}, {"missing", -1},
    };
    for (const auto& [key, value] : integers) EXPECT_EQ(IniReadInt("S", key, file), value) << key;
    EXPECT_EQ(IniReadInt("Missing", "i1", file), -1);
    EXPECT_EQ(IniReadInt("S", "i1", dir.filePath("nofile.ini")), -1);
    for (const char* key : {"b1", "b2", "b3", "b4"}) EXPECT_TRUE(IniReadBool("S", key, file)) << key;
    for (const char* key : {"b5", "b6", "empty", "missing"}) EXPECT_FALSE(IniReadBool("S", key, file)) << key;
}

// A write changes only the line it concerns; a new key goes after its section's last line (before
// a blank line that separates it) with that line's line end; a new section is appended.
TEST_F(SettingsFileTest, AWriteChangesOnlyItsLine) {
    const QByteArray start = "; settings\r\n[General]\r\n  LcId = 1031 \r\nFontName=Arial\r\n\r\n[Ma0]\nText=A\n";
    const std::tuple<QByteArray, const char*, const char*, const char*, QByteArray> cases[] = {
        {start, "GENERAL", "lcid", "1049",
         "; settings\r\n[General]\r\nLcId=1049\r\nFontName=Arial\r\n\r\n[Ma0]\nText=A\n"},
        {start, "ma0", "Address", "x", start + "Address=x\n"},
        {start, "General", "New", "1",
         "; settings\r\n[General]\r\n  LcId = 1031 \r\nFontName=Arial\r\nNew=1\r\n\r\n[Ma0]\nText=A\n"},
        {"[A]\r\nk=v", "A", "n", "2", "[A]\r\nk=v\r\nn=2\r\n"}, // a missing last line end is added
        {"[A]\r\nk=v", "B", "m", "3", "[A]\r\nk=v\r\n[B]\r\nm=3\r\n"},
        {"", "S", "name", "a\r\n[Evil]\r\nk=v", "[S]\r\nname=a  [Evil]  k=v\r\n"}, // line breaks plant no keys
        {"", "S", "s", "  lead and trail  ", "[S]\r\ns=lead and trail  \r\n"},
    };
    for (const auto& [before, section, key, value, after] : cases) {
        writeBytes(file, before);
        ASSERT_EQ(IniSave(QString::fromUtf8(value), section, key, file), 1) << key;
        EXPECT_EQ(readBytes(file), after) << key;
    }
    QFile::remove(file); // a missing file is created; each kind of value has its text
    EXPECT_EQ(IniSave(true, "S", "t", file), 1);
    EXPECT_EQ(IniSave(false, "S", "f", file), 1);
    EXPECT_EQ(IniSave(int16_t(-5), "S", "i16", file), 1);
    EXPECT_EQ(IniSave(int32_t(1252), "S", "i32", file), 1);
    EXPECT_EQ(IniSave(1.5, "S", "d", file), 1);
    EXPECT_EQ(readBytes(file), "[S]\r\nt=true\r\nf=false\r\ni16=-5\r\ni32=1252\r\nd=1.5\r\n");
}

TEST_F(SettingsFileTest, WritesFollowLinksKeepTheModeAndFailWithoutHarm) {
    const QString real = dir.filePath("real.ini");
    writeBytes(real, "[S]\r\nk=1\r\n");
    ::chmod(QFile::encodeName(real).constData(), 0640);
    ASSERT_TRUE(QFile::link(real, file));
    ASSERT_EQ(IniSave(int16_t(2), "S", "k", file), 1);
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_EQ(readBytes(real), "[S]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2); // no temporary left

    // A directory where the file should be, and a missing folder: defaults and failing writes.
    QFile::remove(file);
    ASSERT_TRUE(QDir(dir.path()).mkdir("Client.ini"));
    EXPECT_EQ(IniReadInt("S", "k", file), -1);
    EXPECT_EQ(IniSave(int16_t(1), "S", "k", file), 0);
    EXPECT_TRUE(QFileInfo(file).isDir());
    EXPECT_EQ(IniSave(int16_t(1), "S", "k", dir.filePath("missing/dir/x.ini")), 0);
}

TEST_F(SettingsFileTest, GarbageHugeLinesAndHandEditsAreReadAndKept) {
    QByteArray garbage(200000, '\0');
    QRandomGenerator random(7);
    for (char& c : garbage) c = static_cast<char>(random.bounded(256));
    writeBytes(file, garbage + "\r\n[S]\r\nk=5\r\n" + QByteArray(10 * 1024 * 1024, 'y'));
    EXPECT_EQ(IniReadInt("S", "k", file), 5);
    ASSERT_EQ(IniSave(int16_t(6), "S", "k", file), 1);
    EXPECT_TRUE(readBytes(file).startsWith(garbage)); // every other byte stays as it was
    EXPECT_EQ(IniReadInt("S", "k", file), 6);
    // An edit by hand between two calls is seen and kept.
    writeBytes(file, "[S]\r\na=2\r\n; added by hand\r\n");
    EXPECT_EQ(IniReadInt("S", "a", file), 2);
    ASSERT_EQ(IniSave(int16_t(3), "S", "b", file), 1);
    EXPECT_EQ(readBytes(file), "[S]\r\na=2\r\n; added by hand\r\nb=3\r\n");
}

TEST_F(SettingsFileTest, AMarkedFileStaysInItsUnicodeEncoding) {
    // UTF-8 with a mark: read, and written in UTF-8 also outside the workstation's code page.
    writeBytes(file, "\xEF\xBB\xBF[General]\r\nLogSystem=true\r\nGroup0=F\xC3\xBCller\r\n[Ma0]\r\nText=x\r\n");
    EXPECT_TRUE(IniReadBool("General", "LogSystem", file));
    EXPECT_EQ(IniReadString("General", "Group0", file), "Füller");
    ASSERT_EQ(IniSave(QStringLiteral("Упаковщик"), "Ma0", "Text", file), 1);
    EXPECT_EQ(readBytes(file), "\xEF\xBB\xBF[General]\r\nLogSystem=true\r\nGroup0=F\xC3\xBCller\r\n[Ma0]\r\nText="
                               "\xD0\xA3\xD0\xBF\xD0\xB0\xD0\xBA\xD0\xBE\xD0\xB2\xD1\x89\xD0\xB8\xD0\xBA\r\n");
    // The 254-byte limit never cuts a character in two.
    ASSERT_EQ(IniSave(QString(200, QChar(0x00E9)), "Ma0", "Text", file), 1);
    EXPECT_EQ(IniReadString("Ma0", "Text", file), QString(127, QChar(0x00E9)));
    ASSERT_EQ(IniSave(QString(100, QChar(0x20AC)), "Ma0", "Text", file), 1); // three bytes each
    EXPECT_EQ(IniReadString("Ma0", "Text", file), QString(84, QChar(0x20AC)));
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
    // A file without a mark stays in the workstation's code page.
    QFile::remove(file);
    ASSERT_EQ(IniSave(QStringLiteral("Füller"), "General", "Group0", file), 1);
    EXPECT_EQ(readBytes(file), "[General]\r\nGroup0=F\xFCller\r\n");
}

// Case, blanks, quotes, order, comments and line ends are no change; only the first of a duplicate
// key or section is read; an empty key reads as a missing one; a file with a byte order mark is read
// in its encoding, and names beyond ASCII match without regard to case.
TEST(SettingsDiff, ComparesWhatTheReaderSeesNotTheText) {
    const QByteArray station = "; station\r\n[General]\r\nLcId=1031\r\nGroup0=Filling\r\n"
                               "[Ma1]\r\nText=Filler\r\nAddress=10.0.0.5\r\n";
    const QByteArray twice = "[Ma1]\r\nText=A\r\nText=B\r\n[Ma2]\r\nText=C\r\n[ma1]\r\nAddress=1\r\n";
    QByteArray utf16 = "\xFF\xFE";
    const QString text = QStringLiteral("[Ma1]\r\nText=F\u00fcller 2\r\n");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const std::tuple<QByteArray, QByteArray, QStringList> cases[] = {
        {station,
         "[general]\nGROUP0 = \"Filling\"\n  lcid=1031  \n; new comment\n[MA1]\naddress=10.0.0.5\ntext=Filler\n",
         {}},
        // A changed, a new and a gone key; the order of the new file, then what is gone.
        {station,
         "[General]\r\nLcId=1033\r\n[Ma1]\r\nText=Filler\r\nAddress=10.0.0.5\r\nEnabled=true\r\n",
         {"General/LcId: 1031 > 1033", "Ma1/Enabled: - > true", "General/Group0: Filling > -"}},
        {twice, "[Ma1]\r\nText=A\r\nText=Z\r\n[Ma2]\r\nText=C\r\n[ma1]\r\nAddress=2\r\n", {}},
        {twice, "[Ma1]\r\nTEXT=Q\r\nText=B\r\n[Ma2]\r\nText=C\r\n", {"Ma1/TEXT: A > Q"}},
        // A save that writes a missing key empty, or drops an empty one, changes nothing; emptying one does.
        {"[General]\r\nGroup1=\r\n", "[General]\r\nGroup2=\r\nGroup3=\r\n", {}},
        {"[General]\r\nGroup1=Wrap\r\n", "[General]\r\nGroup1=\r\n", {"General/Group1: Wrap > "}},
        {"\xEF\xBB\xBF[Ma1]\r\nText=F\xC3\xBCller\r\n",
         utf16,
         {QStringLiteral("Ma1/Text: F\u00fcller > F\u00fcller 2")}},
        {"\xEF\xBB\xBF[\xC3\x9C"
         "ber]\r\nK=1\r\n",
         "\xEF\xBB\xBF[\xC3\xBC"
         "BER]\r\nk=1\r\n",
         {}},
    };
    for (const auto& [before, after, expected] : cases)
        EXPECT_EQ(changes(before, after), expected) << after.toStdString();
}

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

// Every machine key with the bounds a load applies: each case in a slot of its own.
TEST_F(LayoutTest, LoadAppliesTheBoundsOfEveryKey) {
    struct Case {
        const char* key;
        const char* value;
        int (*field)(const MachineRecord&);
        int expected;
    };
    const auto machine = [](const MachineRecord& m) -> int { return m.Machine; };
    const auto visu = [](const MachineRecord& m) -> int {
        for (int16_t v : m.VisuGroup)
            if (v != -1) return v;
        return -1;
    };
    const auto symbol = [](const MachineRecord& m) -> int { return m.Symbol; };
    const auto group = [](const MachineRecord& m) -> int { return m.Group; };
    const auto enabled = [](const MachineRecord& m) -> int { return m.Enabled; };
    const auto remote = [](const MachineRecord& m) -> int { return m.RemoteControl; };
    const auto plc = [](const MachineRecord& m) -> int { return m.StatusPLC; };
    const Case cases[] = {
        {"Machine", "0", machine, 1},         {"Machine", "1", machine, 1},    {"Machine", "10", machine, 10},
        {"Machine", "11", machine, 1},        {"VisuGroup1", "-2", visu, -1},  {"VisuGroup2", "0", visu, 0},
        {"VisuGroup3", "31", visu, 31},       {"VisuGroup6", "32", visu, -1},  {"Symbol", "-7", symbol, -7},
        {"Group", "99", group, 99},           {"Enabled", "TRUE", enabled, 1}, {"Enabled", "1", enabled, 0},
        {"RemoteControl", "true", remote, 1}, {"StatusPLC", "True", plc, 1},
    };
    QByteArray ini = "[General]\r\nGroup0=Filling\r\nGroup31=End\r\n[Table]\r\nSize0=0\r\nSize13=-1\r\nSize14=5\r\n"
                     "Size5=3000\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        ini += QByteArray("[Ma") + QByteArray::number(int(i)) + "]\r\n" + cases[i].key + "=" + cases[i].value + "\r\n";
    ini += "[Ma62]\r\nText=Last\r\nAddress=10.0.0.9\r\n";
    writeBytes(file, ini);
    loadAll(layout);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].field(layout.Machines[i]), cases[i].expected) << cases[i].key << "=" << cases[i].value;
    EXPECT_EQ(layout.Machines[62].Text, "Last");
    EXPECT_EQ(layout.Machines[62].Address, "10.0.0.9");
    EXPECT_EQ(layout.Machines[63], MachineRecord()); // no section: every default
    EXPECT_EQ(layout.groupName(0), "Filling");
    EXPECT_EQ(layout.GroupNames[1], "Filling");
    EXPECT_EQ(layout.groupName(31), "End");
    // A width of 0 is kept, a negative or missing one is the default, the last one is fixed.
    std::array<int16_t, TableSizePositions> widths = LineLayout::DefaultTableSize;
    widths[0] = 0;
    widths[5] = 3000;
    EXPECT_EQ(layout.TableSize, widths);
}

TEST(DisplayState, RanksFollowTheTable) {
    const int16_t expected[] = {1, 1, 3, 4, 5, 6, 2};
    for (int16_t s = 0; s <= 6; ++s) EXPECT_EQ(displayStateFor(s, 0), expected[s]) << s;
    EXPECT_EQ(displayStateFor(7, 4), 4); // any other status keeps the rank it had
    EXPECT_EQ(displayStateFor(-1, 3), 3);
}

TEST_F(LayoutTest, SameAddressFollowsTheEarlierEnabledSlot) {
    layout.Machines[3].Enabled = true;
    layout.Machines[3].Address = "Packer-1";
    layout.Machines[7].Address = "PACKER-1";
    layout.Machines[9].Address = "packer-1";
    layout.Machines[9].Enabled = true;
    layout.markSameAddress();
    EXPECT_FALSE(layout.Machines[3].SameAddress);
    EXPECT_TRUE(layout.Machines[7].SameAddress); // its own Enabled plays no part
    EXPECT_TRUE(layout.Machines[9].SameAddress);
    EXPECT_TRUE(layout.ownsConnection(3));
    EXPECT_FALSE(layout.ownsConnection(9));
    layout.Machines[3].Enabled = false;
    layout.markSameAddress();
    EXPECT_FALSE(layout.Machines[7].SameAddress);
    EXPECT_FALSE(layout.Machines[9].SameAddress);
    EXPECT_TRUE(layout.ownsConnection(9));
}

// Addresses match as Qt's comparison without regard to case says, also where a character outside
// ASCII folds to an ASCII one (the Kelvin sign, the long s) or a pair of UTF-16 units makes one.
TEST(SameAddress, MatchesTheUnicodeComparisonWithoutRegardToCase) {
    const QString alphabet =
        QStringLiteral("aAkKsS1.-\u212A\u017F\u00DF\u00E9\u00C9") + QString::fromUcs4(U"\U00010400\U00010428");
    QRandomGenerator random(17);
    const auto pick = [&] {
        QString s;
        for (int n = random.bounded(5); n > 0; --n) s += alphabet[random.bounded(alphabet.size())];
        return s;
    };
    int equal = 0;
    for (int round = 0; round < 20000; ++round) {
        const QString a = pick();
        const QString b = pick();
        const bool expected = a.compare(b, Qt::CaseInsensitive) == 0;
        ASSERT_EQ(sameAddress(a, b), expected) << a.toStdString() << " / " << b.toStdString();
        equal += expected;
    }
    EXPECT_GT(equal, 500);
    EXPECT_TRUE(sameAddress(QStringLiteral("MIXER-\u212A"), QStringLiteral("mixer-k")));
    EXPECT_FALSE(sameAddress(QStringLiteral("10.0.0.5"), QStringLiteral("10.0.0.6")));
}

TEST_F(LayoutTest, SaveWritesKeysInOrderAndRoundTrips) {
    MachineRecord& m = layout.Machines[5];
    m.Text = "Füller";
    m.Address = "10.1.2.3";
    m.Machine = 4;
    m.RemoteControl = true;
    m.Symbol = 12;
    m.Enabled = true;
    m.Group = 2;
    m.VisuGroup = {0, 1, 2, 3, 4, -1};
    ASSERT_TRUE(layout.saveMachine(5, file));
    EXPECT_EQ(readBytes(file),
              QByteArray("[Ma5]\r\nText=F\xFCller\r\nAddress=10.1.2.3\r\nMachine=4\r\nRemoteControl=true\r\n"
                         "Symbol=12\r\nStatusPLC=false\r\nEnabled=true\r\nGroup=2\r\nVisuGroup1=0\r\n"
                         "VisuGroup2=1\r\nVisuGroup3=2\r\nVisuGroup4=3\r\nVisuGroup5=4\r\nVisuGroup6=-1\r\n"));
    // The group names after what [General] holds, in their order.
    layout.setGroupName(3, "Palletising");
    const QString groups = dir.filePath("groups.ini");
    writeBytes(groups, "; hand-written\r\n[General]\r\nLcId=1033\r\n");
    ASSERT_TRUE(layout.saveGroupNames(groups));
    QByteArray names = "; hand-written\r\n[General]\r\nLcId=1033\r\n";
    for (int g = 0; g < 32; ++g)
        names += "Group" + QByteArray::number(g) + "=" + (g == 3 ? "Palletising" : "") + "\r\n";
    EXPECT_EQ(readBytes(groups), names);
    // All machines and the column widths: one replacement of the file.
    layout.TableSize[2] = 777;
    layout.TableSize[14] = 1;
    FakeOs fake;
    {
        platform::ScopedOs scoped(fake);
        ASSERT_TRUE(layout.saveAllMachines(file));
    }
    EXPECT_EQ(fake.calls, QStringList{"replaceFile"});
    ASSERT_TRUE(layout.saveGroupNames(file));
    EXPECT_EQ(layout.TableSize[14], 10000);
    EXPECT_TRUE(readBytes(file).contains("[Table]\r\nSize0=1200\r\nSize1=1875\r\nSize2=777\r\n"));
    EXPECT_EQ(IniReadString("Table", "Size14", file), ""); // the fixed position is not stored

    LineLayout loaded;
    loadAll(loaded);
    for (int i = 0; i < MachineSlots; ++i) EXPECT_EQ(loaded.Machines[i], layout.Machines[i]) << i;
    EXPECT_EQ(loaded.GroupNames, layout.GroupNames);
    EXPECT_EQ(loaded.TableSize, layout.TableSize);
}

// The general settings' keys with their defaults and bounds.
TEST_F(LayoutTest, GeneralSettingsDefaultsAndBounds) {
    struct Case {
        const char* ini;
        int lcId, codePage;
        const char* fontName;
        int sizeKiB;
        QString logFile;
    };
    const QString inDir = dir.path() + "/DizaVizaru.txt";
    const Case cases[] = {
        // No LcId: the code page read is overruled.
        {"CodePage=1251\r\nLogFileSize=5", 1033, 1252, "Arial Unicode MS", 100, inDir},
        {"LcId=1049\r\nCodePage=1251\r\nFontName=Tahoma\r\nLogFileSize=2000", 1049, 1251, "Tahoma", 2000, inDir},
        {"LcId=1\r\nCodePage=874\r\nLogFileSize=10", 1, 874, "Arial Unicode MS", 10, inDir},
        {"LcId=0\r\nCodePage=874\r\nLogFileSize=9", 1033, 1252, "Arial Unicode MS", 100, inDir},
        {"LogFileSize=2001\r\nLogFileName=/var/tmp/a.log", 1033, 1252, "Arial Unicode MS", 100, "/var/tmp/a.log"},
        {"LogFileName=C:\\Logs\\x.txt", 1033, 1252, "Arial Unicode MS", 100, dir.path() + "/C:\\Logs\\x.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        writeBytes(file, QByteArray("[General]\r\n") + c.ini + "\r\n");
        GeneralSettings settings;
        readLanguageSettings(paths, settings);
        EXPECT_EQ(settings.lcId, c.lcId);
        EXPECT_EQ(settings.codePage, c.codePage);
        EXPECT_EQ(settings.fontName, c.fontName);
        const LogSwitches log = readLogSwitches(paths);
        EXPECT_EQ(log.fileSizeKiB, c.sizeKiB);
        EXPECT_EQ(log.fileName, c.logFile);
    }
    writeBytes(file, "[General]\r\nLogSystem=true\r\nLogDebug=TRUE\r\n");
    const LogSwitches log = readLogSwitches(paths);
    EXPECT_TRUE(log.system && log.debug);
    EXPECT_FALSE(log.data);
}
