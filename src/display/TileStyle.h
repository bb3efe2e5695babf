#pragma once
// How the tiles look: calm grey for normal operation, colour only where a state needs attention,
// the most urgent states the most salient. The colours come from the station's palette.

#include "base/States.h"
#include "ui/Palette.h"

#include <QColor>
#include <QString>

#include <cstdint>

namespace display {

namespace tile_style {

struct StatusLook {
    QColor band; // the tile's left edge
    QColor chip; // behind the status text; invalid for calm states
    QColor chipText;
    bool alarm; // urgent enough to frame the whole tile
};

StatusLook lookFor(int16_t status);

// Calm surfaces and text.
inline const QColor Window = ui::colour(ui::Colour::Surface);
inline const QColor Surface = ui::colour(ui::Colour::TileSurface);
inline const QColor UnusedSurface = ui::colour(ui::Colour::TileUnused);
inline const QColor EditSurface = ui::colour(ui::Colour::TileEdit);
inline const QColor EditFrame = ui::colour(ui::Colour::Focus);
inline const QColor Frame = ui::colour(ui::Colour::TileFrame);
inline const QColor Text = ui::colour(ui::Colour::Text);
inline const QColor SubText = ui::colour(ui::Colour::TileSubText);
inline const QColor Neutral = ui::colour(ui::Colour::TileNeutral);
// A name that is not set, and an unused slot's label.
inline const QColor EmptyText = ui::colour(ui::Colour::TileEmptyText);
// The dotted box where a symbol picture is missing.
inline const QColor SymbolPlaceholder = ui::colour(ui::Colour::PickMark);
// The connection indicator: filled or struck in dark grey, an amber ring while waiting.
inline const QColor Indicator = ui::colour(ui::Colour::Indicator);
inline const QColor IndicatorWaiting = ui::colour(ui::Colour::IndicatorWaiting);
// Laid over a machine tile while the line is not switched on, so that it reads as stale.
inline const QColor StaleWash = ui::colour(ui::Colour::StaleWash);

// Label of a connection state on a machine tile.
QString connectionLabel(base::ShownConnection state);

} // namespace tile_style

} // namespace display
