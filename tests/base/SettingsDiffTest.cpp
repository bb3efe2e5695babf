// What changed between two states of a settings file, as the station's reader sees it.
#include "base/SettingsDiff.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace base;

namespace {
QStringList changes(const QByteArray& before, const QByteArray& after) {
    QStringList out;
    for (const SettingChange& c : settingsChanges(before, after))
        out << c.section + "/" + c.key + ": " + (c.oldValue.isNull() ? "-" : c.oldValue) + " > " +
                   (c.newValue.isNull() ? "-" : c.newValue);
    return out;
}
} // namespace

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
