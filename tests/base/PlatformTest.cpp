#include "platform/Platform.h"
#include "platform/Os.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(Platform, CodePageFromLocaleName) {
    EXPECT_EQ(platform::ansiCodePageForLocale("cs_CZ.UTF-8"), 1250);
    EXPECT_EQ(platform::ansiCodePageForLocale("ru_RU"), 1251);
    EXPECT_EQ(platform::ansiCodePageForLocale("el_GR.UTF-8@euro"), 1253);
    EXPECT_EQ(platform::ansiCodePageForLocale("tr_TR"), 1254);
    EXPECT_EQ(platform::ansiCodePageForLocale("he_IL"), 1255);
    EXPECT_EQ(platform::ansiCodePageForLocale("fa_IR"), 1256);
    EXPECT_EQ(platform::ansiCodePageForLocale("lt_LT"), 1257);
    EXPECT_EQ(platform::ansiCodePageForLocale("vi_VN"), 1258);
    EXPECT_EQ(platform::ansiCodePageForLocale("th_TH"), 874);
    EXPECT_EQ(platform::ansiCodePageForLocale("ja_JP.eucJP"), 932);
    EXPECT_EQ(platform::ansiCodePageForLocale("zh_CN.UTF-8"), 936);
    EXPECT_EQ(platform::ansiCodePageForLocale("zh_SG"), 936);
    EXPECT_EQ(platform::ansiCodePageForLocale("ko_KR"), 949);
    EXPECT_EQ(platform::ansiCodePageForLocale("zh_HK"), 950);
    EXPECT_EQ(platform::ansiCodePageForLocale("de_DE.UTF-8"), 1252);
    EXPECT_EQ(platform::ansiCodePageForLocale("C"), 1252);
    EXPECT_EQ(platform::ansiCodePageForLocale("POSIX"), 1252);
    EXPECT_EQ(platform::ansiCodePageForLocale(""), 1252);
    EXPECT_EQ(platform::ansiCodePageForLocale("srx_XX"), 1252); // a language code is matched whole
}

TEST(Platform, FindsPathsWithoutRegardToCase) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("machinesymbols");
    testutil::writeBytes(dir.filePath("machinesymbols/MACHINESYMBOL_3_800.GIF"), "x");
    testutil::writeBytes(dir.filePath("machinesymbols/machinesymbol_3_800.gif"), "y");
    const QString found = platform::findPathNoCase(dir.path(), "MachineSymbols/MachineSymbol_3_800.gif");
    // Several matches: the first in sorted order.
    EXPECT_EQ(found, dir.path() + "/machinesymbols/MACHINESYMBOL_3_800.GIF");
    EXPECT_TRUE(platform::findPathNoCase(dir.path(), "MachineSymbols/MachineSymbol_4_800.gif").isEmpty());
    EXPECT_TRUE(platform::findPathNoCase(dir.path() + "/missing", "x").isEmpty());
}

TEST(Platform, ProgramDirectoryIsTheExecutables) {
    EXPECT_TRUE(QFileInfo(platform::programFilePath()).isExecutable());
    EXPECT_EQ(platform::programName(), "base_tests");
    EXPECT_EQ(platform::os().fileSystemRoot(QDir::tempPath()).isEmpty(), false);
}
