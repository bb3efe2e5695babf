// Window lookup and keyboard layouts against a private X server.

#include "platform/Os.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

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

TEST_F(DesktopTest, FindsTopLevelWindowsByEitherTitleProperty) {
    const Window plain = window("Vizizedavave");
    const Window unicode = window(nullptr, "DCWindow");
    window("Something else");
    EXPECT_EQ(platform::os().findWindowByTitle("Vizizedavave").handle, plain);
    EXPECT_EQ(platform::os().findWindowByTitle("DCWindow").handle, unicode);
    const platform::WindowLookup none = platform::os().findWindowByTitle("Missing");
    EXPECT_EQ(none.handle, 0u);
    EXPECT_FALSE(none.failed);
    // A second window of the same title keeps the title found while either exists.
    const Window second = window("Vizizedavave");
    XDestroyWindow(display, plain);
    XSync(display, False);
    EXPECT_EQ(platform::os().findWindowByTitle("Vizizedavave").handle, second);
    XDestroyWindow(display, second);
    XSync(display, False);
    EXPECT_EQ(platform::os().findWindowByTitle("Vizizedavave").handle, 0u);
}

TEST_F(DesktopTest, TheClientListComesFirstAndClosedWindowsInItAreNoFailure) {
    const Window first = window("DCWindow");
    const Window second = window("DCWindow");
    const Window gone = window("other");
    XDestroyWindow(display, gone);
    XSync(display, False);
    clientList({gone, second, first});
    const platform::WindowLookup found = platform::os().findWindowByTitle("DCWindow");
    EXPECT_FALSE(found.failed);
    EXPECT_EQ(found.handle, second);
}

TEST_F(DesktopTest, NoDisplayMeansNoWindow) {
    qunsetenv("DISPLAY");
    const platform::WindowLookup found = platform::os().findWindowByTitle("DCWindow");
    EXPECT_EQ(found.handle, 0u);
    EXPECT_FALSE(found.failed);
    EXPECT_FALSE(platform::os().activateKeyboardLayout(0x04070407));
    EXPECT_EQ(platform::os().currentKeyboardGroup(), -1);
}

TEST_F(DesktopTest, KeyboardLayoutLocksTheMatchingGroup) {
    if (QStandardPaths::findExecutable("setxkbmap").isEmpty()) FAIL() << "setxkbmap is not installed";
    ASSERT_EQ(QProcess::execute("setxkbmap", {"-display", xvfb.display(), "-layout", "us,de(nodeadkeys),ru"}), 0);
    EXPECT_EQ(platform::os().currentKeyboardGroup(), 0);
    EXPECT_TRUE(platform::os().activateKeyboardLayout(0x04070407)); // German: "de" without its variant
    EXPECT_EQ(platform::os().currentKeyboardGroup(), 1);
    EXPECT_FALSE(platform::os().activateKeyboardLayout(0x040C040C)); // French is not configured: nothing happens
    EXPECT_EQ(platform::os().currentKeyboardGroup(), 1);
    EXPECT_TRUE(platform::os().activateKeyboardLayout(static_cast<int32_t>(0xF0190419u))); // low word 0x0419
    EXPECT_EQ(platform::os().currentKeyboardGroup(), 2);
    platform::os().restoreKeyboardGroup(0);
    EXPECT_EQ(platform::os().currentKeyboardGroup(), 0);
}

TEST(KeyboardTable, LanguageIdsMapToLayoutNames) {
    EXPECT_EQ(platform::xkbLayoutForLanguage(0x0409), "us");
    EXPECT_EQ(platform::xkbLayoutForLanguage(0x0407), "de");
    EXPECT_EQ(platform::xkbLayoutForLanguage(0x040C), "fr");
    EXPECT_EQ(platform::xkbLayoutForLanguage(0x0419), "ru");
    EXPECT_EQ(platform::xkbLayoutForLanguage(0x0411), "jp");
    EXPECT_EQ(platform::xkbLayoutForLanguage(0x1234), "");
}
