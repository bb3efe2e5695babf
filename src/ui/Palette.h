#pragma once
// The station's colours, named by their role: every window, dialog and tile takes its colours from
// here. Style sheets name them as "@role" (see styleSheet()).

#include <QColor>
#include <QString>
#include <QStringView>

namespace ui {

enum class Colour {
    Surface,      // the grey of every window and control, the definition's &HC0C0C0
    ModeOn,       // a mode button while its mode is on
    Text,         // text on the grey surfaces
    CellText,     // text in the machine table's cells
    TextDisabled, // greyed text in boxes and cells
    TextQuiet,    // a disabled button's caption
    OnDark,       // text on a heading or a selection
    Focus,        // the focus frame, a selected entry, the edit mode's frame
    Heading,      // a column heading's ground
    Edge,         // the frame of buttons, boxes and lists
    EdgeQuiet,    // a lighter frame: table buttons, the scroll bar's trough
    EdgeDisabled, // a disabled button's frame
    EdgeHover,    // a button under the pointer
    Rule,         // the thin line under a table cell or a name box
    Pressed,      // a button while pressed
    PickMark,     // the mark of a box that opens a list, a missing symbol's frame
    ListSurface,  // an open pick list
    ListEdge,     // its frame
    Trough,       // the scroll bar's trough
    Handle,       // the scroll bar's handle
    ArrowButton,  // the scroll bar's arrow buttons
    Arrow,        // the arrows on them
    GripLine,     // a column grip's line
    White,        // the back of a disabled name box
    // The tiles: calm greys for normal operation, colour only where a state needs attention.
    TileSurface,
    TileUnused, // an unused slot
    TileEdit,   // a tile in edit mode
    TileFrame,
    TileSubText,
    TileNeutral,      // the status band of a calm state
    TileEmptyText,    // a name that is not set, an unused slot's label
    Indicator,        // the connection indicator
    IndicatorWaiting, // its ring while connecting
    StaleWash,        // laid over a tile while the line is not switched on
    StatusInfo,
    StatusNotice,
    StatusWarning,
    StatusWarningChip,
    StatusFault,
    StatusFaultChip,
    StatusDisconnected,
};

QColor colour(Colour role);

// The style sheet `text` with every "@role" (the role's name with a lower-case first letter, as
// in "@surface" or "@edgeQuiet") replaced by that colour as "#rrggbb".
QString styleSheet(QStringView text);

} // namespace ui
