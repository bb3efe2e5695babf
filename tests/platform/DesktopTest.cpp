// Window lookup and keyboard layouts against a private X server.

#include "platform/Desktop.h"
#include "platform/Os.h"

#include "TestUtil.h"

#include <QProcess>
#include <QStandardPaths>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace platform;

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
