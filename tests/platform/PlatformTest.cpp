// The platform layer: code pages of locales, Windows socket numbers, paths without regard to case
// and the program's file; window lookup and keyboard layouts against a private X server.
#include "platform/Platform.h"
#include "platform/Desktop.h"
#include "platform/Os.h"

#include "TestUtil.h"

#include <QProcess>
#include <QStandardPaths>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdint>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>

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

namespace {
// The slice the kernel keeps for the calling thread, and its nice value; -1 when it cannot tell.
std::pair<int64_t, int> sliceAndNice() {
    struct {
        uint32_t size, policy;
        uint64_t flags;
        int32_t nice, priority;
        uint64_t runtime, deadline, period, utilization;
    } attributes{};
    if (::syscall(SYS_sched_getattr, 0, &attributes, sizeof(attributes), 0) != 0) return {-1, 0};
    return {static_cast<int64_t>(attributes.runtime), attributes.nice};
}
} // namespace

// The slice asked for holds for the thread and the threads it starts later, and the thread keeps
// its nice value (a station started with a lower priority keeps it). On a thread of its own, so
// that the test process is left as it was.
TEST(Platform, TimeSliceHoldsForLaterThreadsAndKeepsTheNiceValue) {
    bool supported = false;
    std::pair<int64_t, int> own{}, later{};
    std::thread([&] {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 3);
        supported = platform::requestTimeSlice(400);
        own = sliceAndNice();
        std::thread([&] { later = sliceAndNice(); }).join();
    }).join();
    if (!supported) GTEST_SKIP() << "this kernel keeps no time slice per task";
    EXPECT_EQ(own.first, 400000);
    EXPECT_EQ(own.second, 3);
    EXPECT_EQ(later.first, 400000);
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

namespace {
class DesktopTest : public ::testing::Test {
protected:
    testutil::Xvfb xvfb;
    Display* display = nullptr;
    QByteArray savedDisplay = qgetenv("DISPLAY");

    void SetUp() override {
        if (!xvfb.running()) FAIL() << "Xvfb is not installed";
        qputenv("DISPLAY", xvfb.display().toLatin1());
        display = XOpenDisplay(xvfb.display().toLatin1().constData());
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        if (display) XCloseDisplay(display);
        qputenv("DISPLAY", savedDisplay);
    }
    Window window(const char* wmName, const char* netWmName = nullptr) {
        const Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 50, 50, 0, 0, 0);
        if (wmName) XStoreName(display, w, wmName);
        if (netWmName)
            XChangeProperty(display, w, XInternAtom(display, "_NET_WM_NAME", False),
                            XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(netWmName), static_cast<int>(strlen(netWmName)));
        XMapWindow(display, w);
        XSync(display, False);
        return w;
    }
    void clientList(const QList<Window>& windows) {
        std::vector<unsigned long> ids(windows.begin(), windows.end());
        XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_CLIENT_LIST", False), XA_WINDOW,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(ids.data()),
                        static_cast<int>(ids.size()));
        XSync(display, False);
    }
};
} // namespace

TEST_F(DesktopTest, FindsTopLevelWindowsByEitherTitlePropertyClientListFirst) {
    const Window plain = window("Vizizedavave");
    const Window unicode = window(nullptr, "DCWindow");
    window("Something else");
    EXPECT_EQ(os().findWindowByTitle("Vizizedavave").handle, plain);
    EXPECT_EQ(os().findWindowByTitle("DCWindow").handle, unicode);
    const WindowLookup none = os().findWindowByTitle("Missing");
    EXPECT_EQ(none.handle, 0u);
    EXPECT_FALSE(none.failed);
    // A second window of the same title keeps the title found while either exists.
    const Window second = window("Vizizedavave");
    XDestroyWindow(display, plain);
    XSync(display, False);
    EXPECT_EQ(os().findWindowByTitle("Vizizedavave").handle, second);
    XDestroyWindow(display, second);
    XSync(display, False);
    EXPECT_EQ(os().findWindowByTitle("Vizizedavave").handle, 0u);
    // The window manager's client list decides the order; a closed window in it is no failure.
    const Window later = window("DCWindow");
    const Window gone = window("other");
    XDestroyWindow(display, gone);
    XSync(display, False);
    clientList({gone, later, unicode});
    const WindowLookup found = os().findWindowByTitle("DCWindow");
    EXPECT_FALSE(found.failed);
    EXPECT_EQ(found.handle, later);
}

TEST_F(DesktopTest, KeyboardLayoutLocksTheMatchingGroupAndNeedsADisplay) {
    if (QStandardPaths::findExecutable("setxkbmap").isEmpty()) FAIL() << "setxkbmap is not installed";
    ASSERT_EQ(QProcess::execute("setxkbmap", {"-display", xvfb.display(), "-layout", "us,de(nodeadkeys),ru"}), 0);
    EXPECT_EQ(os().currentKeyboardGroup(), 0);
    EXPECT_TRUE(os().activateKeyboardLayout(0x04070407)); // German: "de" without its variant
    EXPECT_EQ(os().currentKeyboardGroup(), 1);
    EXPECT_FALSE(os().activateKeyboardLayout(0x040C040C)); // French is not configured: nothing happens
    EXPECT_EQ(os().currentKeyboardGroup(), 1);
    EXPECT_TRUE(os().activateKeyboardLayout(static_cast<int32_t>(0xF0190419u))); // low word 0x0419
    EXPECT_EQ(os().currentKeyboardGroup(), 2);
    os().restoreKeyboardGroup(0);
    EXPECT_EQ(os().currentKeyboardGroup(), 0);
    // Without a display nothing is found or switched.
    qunsetenv("DISPLAY");
    EXPECT_EQ(os().findWindowByTitle("DCWindow").handle, 0u);
    EXPECT_FALSE(os().findWindowByTitle("DCWindow").failed);
    EXPECT_FALSE(os().activateKeyboardLayout(0x04070407));
    EXPECT_EQ(os().currentKeyboardGroup(), -1);
}

TEST(KeyboardTable, LanguageIdsMapToLayoutNames) {
    const std::pair<uint16_t, const char*> cases[] = {{0x0409, "us"}, {0x0407, "de"}, {0x040C, "fr"},
                                                      {0x0419, "ru"}, {0x0411, "jp"}, {0x1234, ""}};
    for (const auto& [language, layout] : cases) EXPECT_EQ(xkbLayoutForLanguage(language), layout) << language;
}
