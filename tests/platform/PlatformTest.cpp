#include "platform/Platform.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <cerrno>

using namespace platform;

// Language and territory decide; a language code is matched whole ("srx" is no "sr").
TEST(Platform, CodePageFromLocaleName) {
    const std::pair<const char*, int> cases[] = {{"cs_CZ.UTF-8", 1250},
                                                 {"ru_RU", 1251},
                                                 {"uk_UA", 1251},
                                                 {"el_GR.UTF-8@euro", 1253},
                                                 {"tr_TR", 1254},
                                                 {"he_IL", 1255},
                                                 {"fa_IR", 1256},
                                                 {"lt_LT", 1257},
                                                 {"vi_VN", 1258},
                                                 {"th_TH", 874},
                                                 {"ja_JP.eucJP", 932},
                                                 {"zh_CN.UTF-8", 936},
                                                 {"zh_SG", 936},
                                                 {"ko_KR", 949},
                                                 {"zh_HK", 950},
                                                 {"zh_TW", 950},
                                                 {"zh", 1252},
                                                 {"de_DE", 1252},
                                                 {"C", 1252},
                                                 {"POSIX", 1252},
                                                 {"", 1252},
                                                 {"RU_ru", 1251},
                                                 {"srx_XX", 1252}};
    for (const auto& [locale, codePage] : cases) EXPECT_EQ(ansiCodePageForLocale(locale), codePage) << locale;
}

TEST(Platform, ConnectErrorsCarryTheirWindowsSocketNumbers) {
    const std::pair<int, int> cases[] = {
        {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ENETUNREACH, 10065}, {EHOSTUNREACH, 10065},
        {ECONNRESET, 10054},   {ENOBUFS, 10055},   {EMFILE, 10055},      {EADDRNOTAVAIL, 10049},
        {EACCES, 10013},       {EINVAL, 10022},    {EIO, 10053},
    };
    for (const auto& [error, number] : cases) EXPECT_EQ(windowsSocketErrorForErrno(error), number) << error;
}

TEST(Platform, FindsPathsWithoutRegardToCase) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("machinesymbols");
    testutil::writeBytes(dir.filePath("machinesymbols/MACHINESYMBOL_3_800.GIF"), "x");
    testutil::writeBytes(dir.filePath("machinesymbols/machinesymbol_3_800.gif"), "y");
    // Several matches: the first in sorted order.
    EXPECT_EQ(findPathNoCase(dir.path(), "MachineSymbols/MachineSymbol_3_800.gif"),
              dir.path() + "/machinesymbols/MACHINESYMBOL_3_800.GIF");
    EXPECT_EQ(findPathNoCase(dir.path(), "MachineSymbols/MachineSymbol_4_800.gif"), "");
    EXPECT_EQ(findPathNoCase(dir.path() + "/missing", "x"), "");
}

TEST(Platform, ProgramFileIsTheRunningExecutable) {
    EXPECT_TRUE(QFileInfo(programFilePath()).isExecutable());
    EXPECT_EQ(programName(), "platform_tests");
}
