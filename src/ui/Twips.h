#pragma once
// Window positions and sizes are defined in twips (1/1440 inch); the screen's logical DPI turns
// them into pixels (at 96 dpi 15 twips make one pixel).

#include <QRect>

namespace ui {

// Logical DPI of the primary screen (96 without a screen).
double logicalDpiX();
double logicalDpiY();

int twipsToPixelsX(int twips);
int twipsToPixelsY(int twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

// A rectangle given in twips, in pixels; each edge is converted on its own so that adjacent
// controls stay adjacent.
QRect twipsRect(int left, int top, int width, int height);

} // namespace ui
