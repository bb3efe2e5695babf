#include "display/TileStyle.h"

namespace tile_style {

StatusLook lookFor(int16_t status) {
    using namespace machine_status;
    // Ranks (low to high): Off and Normal, Info, Notice, Warning, Fault, Disconnected.
    switch (status) {
    case Info: return {QColor(0x86, 0xA8, 0xC4), QColor(), QColor(), false};
    case Notice: return {QColor(0x3A, 0x78, 0xB8), QColor(), QColor(), false};
    case Warning: return {QColor(0xE6, 0xCC, 0x00), QColor(0xF2, 0xDC, 0x2A), Text, false};
    case Fault: return {QColor(0xEE, 0x82, 0x00), QColor(0xF0, 0x8C, 0x10), Text, true};
    case Disconnected: return {QColor(0xCC, 0x1A, 0x1A), QColor(0xCC, 0x1A, 0x1A), QColor(Qt::white), true};
    default: return {Neutral, QColor(), QColor(), false};
    }
}

QString connectionLabel(ShownConnection state) {
    switch (state) {
    case ShownConnection::Connected: return QStringLiteral("LINK");
    case ShownConnection::Waiting: return QStringLiteral("WAIT");
    default: return QStringLiteral("OFF");
    }
}

} // namespace tile_style
