#pragma once
// What the machine table editor computes without its window: where its columns, cells and pick
// lists go (all in twips), the texts of its pick lists and boxes, and the row commands on its
// working copy of the 64 machine records.

#include "base/LineLayout.h"

#include <QStringList>

#include <array>

namespace editors {

namespace machine_table {

// The fixed geometry of the table, in twips.
constexpr int WindowWidth = 11910;
constexpr int WindowHeight = 8925;
constexpr int RowCount = 16;    // rows shown, two halves of eight
constexpr int SlotsPerStep = 8; // slots moved by one vertical scroll step
constexpr int LastScrollStep = (base::MachineSlots - RowCount) / SlotsPerStep;
constexpr int HeadingHeight = 300;
constexpr int RowHeight = 465;
constexpr int LowerHalfTop = 4200; // the second half sits lower than a regular step
constexpr int ColumnsLeft = 300;   // right of the row-number buttons
constexpr int GripWidth = 120;
constexpr int CellTop = -30;
constexpr int MinColumnWidth = 300;
constexpr int MaxColumnWidth = 9000;
constexpr int VScrollLeft = 11625;
constexpr int HScrollTop = 7920;
constexpr int MarkeWidth = 270;
constexpr int CommandEntryHeight = 225; // one entry of the row command list

// The top of row r's container.
int rowTop(int row);

// The table's columns, in order: what each one shows of a record.
enum class Cell : int {
    Enabled,
    Symbol,
    MachineName,
    ComputerName,
    MachineNumber,
    Group,
    VisuGroup1, // .. VisuGroup6: the visualisation groups 1..6
    VisuGroup2,
    VisuGroup3,
    VisuGroup4,
    VisuGroup5,
    VisuGroup6,
    RemoteControl,
    StatusPLC,
};
constexpr int column(Cell cell) { return static_cast<int>(cell); }
constexpr Cell cellAt(int column) { return static_cast<Cell>(column); }
// The cell of visualisation group `position` (1..6).
constexpr Cell visuGroupCell(int position) { return cellAt(column(Cell::VisuGroup1) + position - 1); }
static_assert(column(Cell::StatusPLC) == base::TableColumns - 1);

// The columns' places for a first column and a window width.
struct Column {
    bool shown = false;
    int left = 0; // heading
    int width = 0;
    int gripLeft = 0;
};
struct ColumnLayout {
    std::array<Column, base::TableColumns> columns{};
    int count = 0;         // columns laid out, from the first one
    int scrollMaximum = 0; // the horizontal scroll bar's maximum, never past the last column
    int rowWidth = 0;      // width of every row container
};
ColumnLayout layColumns(const std::array<int16_t, base::TableSizePositions>& widths, int firstColumn, int windowWidth);

// A rectangle in twips.
struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
// The cell container of a laid-out column inside its row.
Place cellPlace(const Column& column);
// The control of a column's cell inside a cell of the given width.
Place cellControlPlace(Cell cell, int cellWidth);

// The column width while a grip is dragged: the pointer's movement inside the grip added to the
// heading's width, held between 300 and 9000 twips.
int16_t draggedWidth(int pointerX, int dragStartX, int headingWidth);

// Where a pick list of the given size opens for an anchor point: to the left of it when it would
// cover the vertical scroll bar, above it when it would reach the horizontal one.
Place listPlace(int anchorX, int anchorY, int listWidth, int listHeight);

// The group list's entries: "0 - none" then "n - name" for the 32 groups (the machine numbers are
// machine_form::machineNumberEntries()).
QStringList groupEntries(const base::LineLayout& layout);
// The text a box shows for a stored value: its list entry, or the bare number for a value the
// list has no entry for (which is kept as it is).
QString entryText(const QStringList& entries, int position, int16_t stored);

// The row command list's entries, in list order.
enum class Command { None = -1, Copy = 0, Paste = 1, Insert = 2, Delete = 3 };

// The record "Insert" and "Delete" put into a freed slot.
base::MachineRecord emptyMachine();

// The working copy of the machine table and the clipboard of its row commands. The clipboard
// lives as long as the editor: it survives closing and reopening.
class WorkingCopy {
public:
    std::array<base::MachineRecord, base::MachineSlots> EditMaschinen{};
    base::MachineRecord KopieMaschine{};
    bool Kopiert = false;

    // Takes every field of the 64 records except the run-time SameAddress mark.
    void load(const base::LineLayout& layout);
    // Writes every field back, SameAddress untouched.
    void storeInto(base::LineLayout& layout) const;

    // The entries of the command list; the second reads "Paste" whenever a record was copied.
    QStringList commandEntries() const;
    // The entry under the pointer at y twips below the list's top; the second entry only when a
    // record was copied; Command::None below the last entry.
    Command commandAt(double y) const;
    // Runs a command on a slot; true when the rows must be filled again.
    bool run(Command command, int slot);
};

} // namespace machine_table

} // namespace editors
