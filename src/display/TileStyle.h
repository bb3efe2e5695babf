#pragma once
// How the tiles look: calm grey for normal operation, colour only where a state needs attention,
// the most urgent states the most salient. Every colour a tile paints lives here.

#include "base/States.h"

#include <QColor>
#include <QString>

#include <cstdint>

namespace tile_style {

struct StatusLook {
    QColor band; // the tile's left edge
    QColor chip; // behind the status text; invalid for calm states
    QColor chipText;
    bool alarm; // urgent enough to frame the whole tile
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
// A name that is not set, and an unused slot's label.
inline const QColor EmptyText{0x80, 0x80, 0x80};
// The dotted box where a symbol picture is missing.
inline const QColor SymbolPlaceholder{0xB0, 0xB0, 0xB0};
// The connection indicator: filled or struck in dark grey, an amber ring while waiting.
inline const QColor Indicator{0x40, 0x40, 0x40};
inline const QColor IndicatorWaiting{0xC8, 0x8A, 0x00};
// Laid over a machine tile while the line is not switched on, so that it reads as stale.
inline const QColor StaleWash{0xC0, 0xC0, 0xC0, 150};

// Label of a connection state on a machine tile.
QString connectionLabel(ShownConnection state);

} // namespace tile_style
