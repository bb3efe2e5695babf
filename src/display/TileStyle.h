#pragma once
// How the tiles show a status: calm grey for normal operation, colour only where a state needs
// attention, the most urgent states the most salient. The rank is the one that decides a group.

#include <QColor>
#include <QString>

#include <cstdint>

namespace tile_style {

struct StatusLook {
    QColor band;       // the tile's left edge
    QColor chip;       // behind the status text; invalid for calm states
    QColor chipText;
    bool alarm;        // urgent enough to frame the whole tile
};

StatusLook lookFor(int16_t status);

// Calm surfaces and text.
inline const QColor Window{0xC0, 0xC0, 0xC0};
inline const QColor Surface{0xD6, 0xD6, 0xD6};
inline const QColor UnusedSurface{0xC8, 0xC8, 0xC8};
inline const QColor EditSurface{0xE6, 0xEC, 0xF2};
inline const QColor EditFrame{0x2F, 0x5F, 0x9A};
inline const QColor Frame{0x96, 0x96, 0x96};
inline const QColor Text{0x1E, 0x1E, 0x1E};
inline const QColor SubText{0x4A, 0x4A, 0x4A};
inline const QColor Neutral{0xA4, 0xA4, 0xA4};

// Label of a connection state on a machine tile: 0 not connected, 1 connecting or silent, 2 connected.
QString connectionLabel(int16_t state);

} // namespace tile_style
