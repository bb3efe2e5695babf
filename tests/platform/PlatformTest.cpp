#include "platform/Platform.h"

#include "TestUtil.h"

#include <cerrno>

using namespace platform;

// Language and territory decide; a language code is matched whole ("srx" is no "sr").
TEST(Platform, CodePageFromLocaleName) {
    const std::pair<int, QStringList> cases[] = {
        {1250, {"cs_CZ.UTF-8"}},
        {1251, {"ru_RU", "uk_UA", "RU_ru"}},
        {1253, {"el_GR.UTF-8@euro"}},
        {1254, {"tr_TR"}},
        {1255, {"he_IL"}},
        {1256, {"fa_IR"}},
        {1257, {"lt_LT"}},
        {1258, {"vi_VN"}},
        {874, {"th_TH"}},
        {932, {"ja_JP.eucJP"}},
        {936, {"zh_CN.UTF-8", "zh_SG"}},
        {949, {"ko_KR"}},
        {950, {"zh_HK", "zh_TW"}},
        {1252, {"zh", "de_DE", "C", "POSIX", "", "srx_XX"}},
    };
    for (const auto& [codePage, locales] : cases)
        for (const QString& locale : locales)
            EXPECT_EQ(ansiCodePageForLocale(locale.toLatin1()), codePage) << locale.toStdString();
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
