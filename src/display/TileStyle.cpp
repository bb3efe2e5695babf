#include "display/TileStyle.h"

namespace tile_style {

StatusLook lookFor(int16_t status) {
    // Ranks (low to high): 0 and 1, 6, 2, 3, 4, 5.
    switch (status) {
    case 6: return {QColor(0x86, 0xA8, 0xC4), QColor(), QColor(), false};
    case 2: return {QColor(0x3A, 0x78, 0xB8), QColor(), QColor(), false};
    case 3: return {QColor(0xE6, 0xCC, 0x00), QColor(0xF2, 0xDC, 0x2A), Text, false};
    case 4: return {QColor(0xEE, 0x82, 0x00), QColor(0xF0, 0x8C, 0x10), Text, true};
    case 5: return {QColor(0xCC, 0x1A, 0x1A), QColor(0xCC, 0x1A, 0x1A), QColor(Qt::white), true};
    default: return {Neutral, QColor(), QColor(), false};
    }
}

QString connectionLabel(int16_t state) {
    switch (state) {
    case 2: return QStringLiteral("LINK");
    case 1: return QStringLiteral("WAIT");
    default: return QStringLiteral("OFF");
    }
}

} // namespace tile_style
