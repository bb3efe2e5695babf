#include "platform/linux/DesktopX11.h"

#include <QByteArray>
#include <QStringList>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
// X errors of the calls below are collected, never fatal. Xlib's handlers are process-wide; Qt
// draws through xcb and does not use them.
struct ErrorTrap {
    static inline int code = 0;
    static inline bool ioFailed = false;
    XErrorHandler previous = nullptr;

    ErrorTrap() {
        code = 0;
        previous = XSetErrorHandler([](Display*, XErrorEvent* event) {
            if (code == 0) code = event->error_code;
            return 0;
        });
    }
    ~ErrorTrap() { XSetErrorHandler(previous); }
};

// A lost X connection must not end the program: the connection is then given up.
void installIoHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    XSetIOErrorHandler([](Display*) {
        ErrorTrap::ioFailed = true;
        return 0;
    });
}

class Connection {
public:
    Connection() {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) return;
        installIoHandlers();
        ErrorTrap::ioFailed = false;
        display_ = XOpenDisplay(name);
        // Without this, Xlib ends the process when the connection breaks.
        if (display_)
            XSetIOErrorExitHandler(
                display_, [](Display*, void*) { ErrorTrap::ioFailed = true; }, nullptr);
    }
    ~Connection() {
        if (display_) XCloseDisplay(display_);
    }
    Display* get() const { return display_; }

private:
    Display* display_ = nullptr;
};

QByteArray windowProperty(Display* d, Window w, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    QByteArray result;
    if (XGetWindowProperty(d, w, property, 0, 1 << 16, False, type, &actualType, &format, &items, &after, &data) ==
            Success &&
        data) {
        if (actualType == type && format == 8)
            result = QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(items));
        XFree(data);
    }
    return result;
}

bool hasTitle(Display* d, Window w, const QString& title, Atom netWmName, Atom utf8) {
    const QByteArray utf8Name = windowProperty(d, w, netWmName, utf8);
    if (!utf8Name.isEmpty() && QString::fromUtf8(utf8Name) == title) return true;
    XTextProperty text{};
    bool match = false;
    if (XGetWMName(d, w, &text) && text.value) {
        if (text.encoding == XA_STRING)
            match =
                QString::fromLatin1(reinterpret_cast<const char*>(text.value), static_cast<int>(text.nitems)) == title;
        else
            match =
                QString::fromUtf8(reinterpret_cast<const char*>(text.value), static_cast<int>(text.nitems)) == title;
        XFree(text.value);
    }
    return match;
}

QString errorText(Display* d, int code) {
    char buffer[256] = {0};
    if (d) XGetErrorText(d, code, buffer, sizeof(buffer));
    return QString::fromLocal8Bit(buffer);
}
} // namespace

namespace x11 {
WindowLookup findWindowByTitle(const QString& title) {
    WindowLookup result;
    Connection connection;
    Display* d = connection.get();
    if (!d) return result;
    ErrorTrap trap;
    const Window root = DefaultRootWindow(d);
    const Atom clientList = XInternAtom(d, "_NET_CLIENT_LIST", False);
    const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);

    QList<Window> candidates;
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, root, clientList, 0, 1 << 16, False, XA_WINDOW, &type, &format, &items, &after,
                               &data) == Success &&
            data) {
            if (type == XA_WINDOW && format == 32)
                for (unsigned long i = 0; i < items; ++i) candidates << reinterpret_cast<const unsigned long*>(data)[i];
            XFree(data);
        }
    }
    {
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d, root, &rootReturn, &parent, &children, &count) && children) {
            for (unsigned int i = 0; i < count; ++i) candidates << children[i];
            XFree(children);
        }
    }
    const int listError = ErrorTrap::code;
    for (Window w : candidates) {
        if (listError != 0 || ErrorTrap::ioFailed) break;
        ErrorTrap::code = 0;
        const bool match = hasTitle(d, w, title, netWmName, utf8);
        // A window that closed while the list was read is simply not the one looked for.
        if (ErrorTrap::code == BadWindow) continue;
        if (ErrorTrap::code != 0) break;
        if (match) {
            result.handle = static_cast<uint32_t>(w);
            break;
        }
    }
    XSync(d, False);
    const int code = listError != 0 ? listError : (ErrorTrap::code == BadWindow ? 0 : ErrorTrap::code);
    if (code != 0 || ErrorTrap::ioFailed) {
        result.failed = true;
        result.handle = 0;
        result.errorNumber = ErrorTrap::ioFailed ? 1 : code;
        result.errorDescription =
            ErrorTrap::ioFailed ? QStringLiteral("Connection to the X server lost") : errorText(d, code);
    }
    return result;
}
} // namespace x11

QString xkbLayoutForLanguage(uint16_t languageId) {
    struct Entry {
        uint16_t id;
        const char* layout;
    };
    static constexpr Entry Table[] = {
        {0x0409, "us"}, {0x0809, "gb"}, {0x1009, "ca"},  {0x0c09, "au"},    {0x1809, "ie"}, {0x0407, "de"},
        {0x0807, "ch"}, {0x0c07, "at"}, {0x040c, "fr"},  {0x080c, "be"},    {0x0c0c, "ca"}, {0x100c, "ch"},
        {0x0410, "it"}, {0x040a, "es"}, {0x0c0a, "es"},  {0x080a, "latam"}, {0x0816, "pt"}, {0x0416, "br"},
        {0x0413, "nl"}, {0x0813, "be"}, {0x0406, "dk"},  {0x0414, "no"},    {0x041d, "se"}, {0x040b, "fi"},
        {0x040f, "is"}, {0x0419, "ru"}, {0x0422, "ua"},  {0x0423, "by"},    {0x0402, "bg"}, {0x0405, "cz"},
        {0x041b, "sk"}, {0x0415, "pl"}, {0x040e, "hu"},  {0x0424, "si"},    {0x041a, "hr"}, {0x0c1a, "rs"},
        {0x081a, "rs"}, {0x042f, "mk"}, {0x041c, "al"},  {0x0418, "ro"},    {0x0408, "gr"}, {0x041f, "tr"},
        {0x042c, "az"}, {0x040d, "il"}, {0x0401, "ara"}, {0x0429, "ir"},    {0x0420, "pk"}, {0x0425, "ee"},
        {0x0426, "lv"}, {0x0427, "lt"}, {0x042a, "vn"},  {0x041e, "th"},    {0x0411, "jp"}, {0x0412, "kr"},
        {0x0804, "cn"}, {0x1004, "cn"}, {0x0404, "tw"},  {0x0c04, "cn"},    {0x043f, "kz"}, {0x0440, "kg"},
        {0x0444, "ru"}, {0x0450, "mn"}, {0x0439, "in"},
    };
    for (const Entry& e : Table)
        if (e.id == languageId) return QString::fromLatin1(e.layout);
    return QString();
}

namespace {
// The configured layouts, one per XKB group, from the root window's _XKB_RULES_NAMES
// (rules, model, layouts, variants, options).
QStringList configuredLayouts(Display* d) {
    const Atom names = XInternAtom(d, "_XKB_RULES_NAMES", True);
    if (names == None) return {};
    const QByteArray value = windowProperty(d, DefaultRootWindow(d), names, XA_STRING);
    const QList<QByteArray> parts = value.split('\0');
    if (parts.size() < 3) return {};
    QStringList layouts;
    for (const QByteArray& layout : parts[2].split(',')) layouts << QString::fromLatin1(layout).trimmed();
    return layouts;
}
} // namespace

namespace x11 {
bool activateKeyboardLayout(int32_t layoutHandle) {
    const QString wanted = xkbLayoutForLanguage(static_cast<uint16_t>(static_cast<uint32_t>(layoutHandle) & 0xFFFFu));
    if (wanted.isEmpty()) return false;
    Connection connection;
    Display* d = connection.get();
    if (!d) return false;
    ErrorTrap trap;
    const QStringList layouts = configuredLayouts(d);
    for (int group = 0; group < layouts.size() && group < XkbNumKbdGroups; ++group) {
        QString layout = layouts[group];
        layout = layout.left(layout.indexOf(QLatin1Char('(')) < 0 ? layout.size() : layout.indexOf(QLatin1Char('(')));
        if (layout != wanted) continue;
        const bool locked = XkbLockGroup(d, XkbUseCoreKbd, static_cast<unsigned>(group));
        XSync(d, False);
        return locked && ErrorTrap::code == 0 && !ErrorTrap::ioFailed;
    }
    return false;
}

int currentKeyboardGroup() {
    Connection connection;
    Display* d = connection.get();
    if (!d) return -1;
    ErrorTrap trap;
    XkbStateRec state{};
    if (XkbGetState(d, XkbUseCoreKbd, &state) != Success || ErrorTrap::code != 0) return -1;
    return state.locked_group;
}

void restoreKeyboardGroup(int group) {
    if (group < 0) return;
    Connection connection;
    Display* d = connection.get();
    if (!d) return;
    ErrorTrap trap;
    XkbLockGroup(d, XkbUseCoreKbd, static_cast<unsigned>(group));
    XSync(d, False);
}

} // namespace x11

} // namespace platform
