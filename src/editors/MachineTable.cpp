#include "editors/MachineTable.h"

#include "editors/MachineForm.h"

#include <algorithm>
#include <cmath>

using namespace base;

namespace editors {

namespace machine_table {

int rowTop(int row) {
    const int half = RowCount / 2;
    return row < half ? HeadingHeight + RowHeight * row : LowerHalfTop + RowHeight * (row - half);
}

ColumnLayout layColumns(const std::array<int16_t, TableSizePositions>& widths, int firstColumn, int windowWidth) {
    ColumnLayout layout;
    const int first = std::clamp(firstColumn, 0, TableColumns - 1);
    int x = ColumnsLeft;
    // A column is laid out while its left edge lies inside the window, even when the window cuts
    // it off at the right.
    while (windowWidth > x && first + layout.count < TableColumns) {
        const int c = first + layout.count;
        Column& column = layout.columns[static_cast<size_t>(c)];
        column.shown = true;
        column.left = x;
        column.width = std::max<int>(0, widths[static_cast<size_t>(c)]);
        column.gripLeft = column.left + column.width - GripWidth / 2;
        x += column.width;
        ++layout.count;
    }
    const Column& last = layout.columns[TableColumns - 1];
    if (first + layout.count >= TableColumns && last.left + last.width < windowWidth) {
        // Everything up to the last column fits: the rows end where it ends.
        layout.scrollMaximum = TableColumns - layout.count;
        layout.rowWidth = last.left + last.width;
    } else {
        layout.scrollMaximum = TableColumns + 1 - layout.count;
        layout.rowWidth = windowWidth;
    }
    // A last column wider than the window would let the scroll bar go past it.
    layout.scrollMaximum = std::clamp(layout.scrollMaximum, 0, TableColumns - 1);
    return layout;
}

Place cellPlace(const Column& column) { return {column.left - 30, CellTop, column.width, RowHeight}; }

Place cellControlPlace(Cell cell, int cellWidth) {
    const auto centred = [cellWidth](int top, int width, int height) {
        return Place{(cellWidth - width) / 2, top, width, height};
    };
    switch (cell) {
    case Cell::Enabled: return centred(45, 195, 330);
    case Cell::Symbol: return centred(0, 495, 405);
    case Cell::MachineName:
    case Cell::ComputerName: return {0, 15, std::max(0, cellWidth), 360};
    case Cell::MachineNumber: return centred(15, 675, 360);
    case Cell::RemoteControl:
    case Cell::StatusPLC: return centred(45, 195, 360);
    default: return {0, 15, std::max(0, cellWidth - 30), 360}; // group and visualisation groups
    }
}

int16_t draggedWidth(int pointerX, int dragStartX, int headingWidth) {
    const long width = static_cast<long>(pointerX) - dragStartX + headingWidth;
    return static_cast<int16_t>(std::clamp<long>(width, MinColumnWidth, MaxColumnWidth));
}

Place listPlace(int anchorX, int anchorY, int listWidth, int listHeight) {
    int x = anchorX, y = anchorY;
    if (x + listWidth > VScrollLeft) x -= listWidth;
    if (y + listHeight > HScrollTop) y -= listHeight;
    return {x, y, listWidth, listHeight};
}

QStringList groupEntries(const LineLayout& layout) {
    QStringList entries{QStringLiteral("0 - none")};
    for (int g = 0; g < GroupCount; ++g) entries << QString::number(g + 1) + QLatin1String(" - ") + layout.groupName(g);
    return entries;
}

QString entryText(const QStringList& entries, int position, int16_t stored) {
    return position >= 0 && position < entries.size() ? entries[position] : QString::number(stored);
}

MachineRecord emptyMachine() {
    MachineRecord m;
    m.Enabled = false;
    m.Symbol = 0;
    m.Text.clear();
    m.Address.clear();
    m.Machine = 1;
    m.Group = -1;
    m.VisuGroup.fill(-1);
    m.RemoteControl = false;
    m.StatusPLC = false;
    return m;
}

void WorkingCopy::load(const LineLayout& layout) {
    for (size_t s = 0; s < EditMaschinen.size(); ++s) {
        EditMaschinen[s] = layout.Machines[s];
        EditMaschinen[s].SameAddress = false; // a run-time mark, not part of the record edited
    }
}

void WorkingCopy::storeInto(LineLayout& layout) const {
    for (size_t s = 0; s < EditMaschinen.size(); ++s) {
        MachineRecord& to = layout.Machines[s];
        const bool sameAddress = to.SameAddress;
        to = EditMaschinen[s];
        to.SameAddress = sameAddress;
    }
}

QStringList WorkingCopy::commandEntries() const {
    return {QStringLiteral("Copy"), Kopiert ? QStringLiteral("Paste") : QString(), QStringLiteral("Insert"),
            QStringLiteral("Delete")};
}

Command WorkingCopy::commandAt(double y) const {
    const double entry = std::floor(y / CommandEntryHeight);
    if (entry < static_cast<int>(Command::Copy) || entry > static_cast<int>(Command::Delete)) return Command::None;
    const auto command = static_cast<Command>(static_cast<int>(entry));
    if (command == Command::Paste && !Kopiert) return Command::None;
    return command;
}

bool WorkingCopy::run(Command command, int slot) {
    if (slot < 0 || slot >= MachineSlots) return false;
    const size_t s = static_cast<size_t>(slot);
    switch (command) {
    case Command::Copy:
        KopieMaschine = EditMaschinen[s];
        Kopiert = true;
        return false;
    case Command::Paste:
        if (!Kopiert) return false;
        EditMaschinen[s] = KopieMaschine; // the copy stays for further pastes
        return true;
    case Command::Insert:
        // The record in the last slot falls out of the table.
        std::move_backward(EditMaschinen.begin() + slot, EditMaschinen.end() - 1, EditMaschinen.end());
        EditMaschinen[s] = emptyMachine();
        return true;
    case Command::Delete:
        std::move(EditMaschinen.begin() + slot + 1, EditMaschinen.end(), EditMaschinen.begin() + slot);
        EditMaschinen.back() = emptyMachine();
        return true;
    default: return false;
    }
}

} // namespace machine_table

} // namespace editors
