#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace ui {

double logicalDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double logicalDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int twipsToPixelsX(int twips) { return static_cast<int>(std::lround(twips * logicalDpiX() / 1440.0)); }
int twipsToPixelsY(int twips) { return static_cast<int>(std::lround(twips * logicalDpiY() / 1440.0)); }
int pixelsToTwipsX(int pixels) { return static_cast<int>(std::lround(pixels * 1440.0 / logicalDpiX())); }
int pixelsToTwipsY(int pixels) { return static_cast<int>(std::lround(pixels * 1440.0 / logicalDpiY())); }

QRect twipsRect(int left, int top, int width, int height) {
    const int x = twipsToPixelsX(left);
    const int y = twipsToPixelsY(top);
    return QRect(x, y, twipsToPixelsX(left + width) - x, twipsToPixelsY(top + height) - y);
}

} // namespace ui
