#include "editors/MachineTable.h"

#include <gtest/gtest.h>

#include <functional>

using namespace base;
using namespace editors;

using namespace machine_table;

namespace {
constexpr int Window = 11910;

std::array<int16_t, TableSizePositions> defaultWidths() { return LineLayout().TableSize; }

MachineRecord machine(int n) {
    MachineRecord m;
    m.Text = QStringLiteral("Machine %1").arg(n);
    m.Address = QStringLiteral("Host%1").arg(n);
    m.Machine = static_cast<int16_t>(n % 10 + 1);
    m.Symbol = static_cast<int16_t>(n);
    m.Enabled = true;
    m.Group = static_cast<int16_t>(n % 32);
    m.VisuGroup = {static_cast<int16_t>(n % 5), -1, -1, -1, -1, static_cast<int16_t>(n % 7)};
    m.RemoteControl = n % 2 == 0;
    m.StatusPLC = n % 3 == 0;
    return m;
}

// A working copy whose slot n holds machine(n).
WorkingCopy numbered() {
    WorkingCopy copy;
    for (int s = 0; s < MachineSlots; ++s) copy.EditMaschinen[static_cast<size_t>(s)] = machine(s);
    return copy;
}

int slotNumberOf(const MachineRecord& m) { return m.Symbol; }
} // namespace

TEST(MachineTableColumns, DefaultWidthsAndTheScrollRange) {
    // From the first column: columns 0..5, the last one cut off by the window's edge.
    ColumnLayout layout = layColumns(defaultWidths(), 0, Window);
    EXPECT_EQ(layout.count, 6);
    EXPECT_EQ(layout.scrollMaximum, 9);
    EXPECT_EQ(layout.rowWidth, Window);
    const int lefts[] = {300, 1500, 3375, 5775, 8175, 9805};
    for (int c = 0; c < 6; ++c) {
        EXPECT_TRUE(layout.columns[static_cast<size_t>(c)].shown);
        EXPECT_EQ(layout.columns[static_cast<size_t>(c)].left, lefts[c]);
    }
    EXPECT_EQ(layout.columns[5].width, 2400);
    EXPECT_EQ(layout.columns[5].gripLeft, 9805 + 2400 - 60);
    for (int c = 6; c < 14; ++c) EXPECT_FALSE(layout.columns[static_cast<size_t>(c)].shown);

    // From column 9 everything to the last column fits: the rows end with it.
    layout = layColumns(defaultWidths(), 9, Window);
    EXPECT_EQ(layout.count, 5);
    EXPECT_EQ(layout.scrollMaximum, 9);
    EXPECT_EQ(layout.columns[9].left, 300);
    EXPECT_EQ(layout.columns[13].left, 9300);
    EXPECT_EQ(layout.rowWidth, 11100);
    for (int c = 0; c < 9; ++c) EXPECT_FALSE(layout.columns[static_cast<size_t>(c)].shown);

    // The window's real width decides how many columns there are room for.
    layout = layColumns(defaultWidths(), 0, 40000);
    EXPECT_EQ(layout.count, 14);
    EXPECT_EQ(layout.scrollMaximum, 0);
}

TEST(MachineTableColumns, AWideLastColumnNeverLetsTheScrollBarPassIt) {
    auto widths = defaultWidths();
    widths[13] = 12000; // a hand-edited width wider than the window
    for (int first = 0; first < TableColumns; ++first) {
        const ColumnLayout layout = layColumns(widths, first, Window);
        EXPECT_LE(layout.scrollMaximum, 13) << first;
        EXPECT_GE(layout.count, 1);
    }
    EXPECT_EQ(layColumns(widths, 13, Window).scrollMaximum, 13);
    // A first column past the last one is held at the last.
    EXPECT_TRUE(layColumns(widths, 15, Window).columns[13].shown);
    // Widths read as negative or zero never give controls a negative size.
    widths.fill(0);
    const ColumnLayout zero = layColumns(widths, 0, Window);
    EXPECT_EQ(zero.count, 14);
    EXPECT_EQ(cellControlPlace(cellAt(5), 0).width, 0);
}

TEST(MachineTableColumns, CellsAndTheWidthDrag) {
    Column column;
    column.left = 1500;
    column.width = 1875;
    const Place cell = cellPlace(column);
    EXPECT_EQ(cell.left, 1470);
    EXPECT_EQ(cell.top, -30);
    EXPECT_EQ(cell.width, 1875);
    EXPECT_EQ(cell.height, 465);
    EXPECT_EQ(cellControlPlace(cellAt(0), 1200).left, (1200 - 195) / 2);
    EXPECT_EQ(cellControlPlace(cellAt(1), 1875).left, (1875 - 495) / 2);
    EXPECT_EQ(cellControlPlace(cellAt(2), 2400).width, 2400);
    EXPECT_EQ(cellControlPlace(cellAt(4), 1630).left, (1630 - 675) / 2);
    EXPECT_EQ(cellControlPlace(cellAt(7), 2400).width, 2370);
    EXPECT_EQ(cellControlPlace(cellAt(13), 1800).height, 360);

    EXPECT_EQ(draggedWidth(100, 60, 2400), 2440);
    EXPECT_EQ(draggedWidth(-5000, 60, 2400), 300);            // far to the left
    EXPECT_EQ(draggedWidth(30000, 0, 2400), 9000);            // far to the right
    EXPECT_EQ(draggedWidth(1 << 30, -(1 << 30), 9000), 9000); // no overflow
}

TEST(MachineTableLists, PlacesEntriesAndTexts) {
    // A list opens at its anchor, to the left of it when it would cover the vertical bar, above
    // it when it would reach the horizontal one.
    const Place below = listPlace(3000, 1000, 2400, 3420);
    EXPECT_EQ(below.left, 3000);
    EXPECT_EQ(below.top, 1000);
    const Place flipped = listPlace(10000, 6000, 2400, 3420);
    EXPECT_EQ(flipped.left, 7600);
    EXPECT_EQ(flipped.top, 2580);
    EXPECT_EQ(rowTop(0), 300);
    EXPECT_EQ(rowTop(7), 300 + 7 * 465);
    EXPECT_EQ(rowTop(8), 4200);
    EXPECT_EQ(rowTop(15), 4200 + 7 * 465);

    // Every group has its entry, the last one too (the texts of the others are the editor test's).
    const QStringList groups = groupEntries(LineLayout());
    ASSERT_EQ(groups.size(), 33);
    EXPECT_EQ(groups[32], "32 - ");
}

// Insert frees a slot and moves the later ones down, delete moves them up; the freed slot gets the
// empty record (disabled, symbol 0, machine 1, no groups). -1 in `shows`: the empty record.
TEST(MachineTableRows, InsertDeleteAndTheEnds) {
    const std::tuple<Command, int, std::function<int(int)>> cases[] = {
        {Command::Insert, 10, [](int s) { return s < 10    ? s
                                                 : s == 10 ? -1
                                                           : s - 1; }},
        {Command::Insert, 63, [](int s) { return s == 63 ? -1 : s; }},
        {Command::Delete, 0, [](int s) { return s == 63 ? -1 : s + 1; }},
        {Command::Delete, 63, [](int s) { return s == 63 ? -1 : s; }},
    };
    for (const auto& [command, slot, shows] : cases) {
        WorkingCopy copy = numbered();
        ASSERT_TRUE(copy.run(command, slot));
        for (int s = 0; s < MachineSlots; ++s) {
            const MachineRecord& m = copy.EditMaschinen[static_cast<size_t>(s)];
            if (shows(s) < 0)
                EXPECT_EQ(m, emptyMachine()) << slot << " " << s;
            else
                EXPECT_EQ(slotNumberOf(m), shows(s)) << slot << " " << s;
        }
        EXPECT_FALSE(copy.run(command, command == Command::Insert ? 64 : -1));
    }
    const MachineRecord empty = emptyMachine();
    EXPECT_EQ((std::tuple{empty.Enabled, empty.Symbol, empty.Machine, empty.Group}), (std::tuple{false, 0, 1, -1}));
    EXPECT_EQ(empty.VisuGroup, (std::array<int16_t, 6>{-1, -1, -1, -1, -1, -1}));
}

TEST(MachineTableRows, CopyPastesAgainAndOutlivesTheOpening) {
    WorkingCopy copy = numbered();
    // Before anything was copied the second entry is blank, cannot be selected, and does nothing.
    EXPECT_EQ(copy.commandEntries(), (QStringList{"Copy", "", "Insert", "Delete"}));
    EXPECT_EQ(copy.commandAt(300), Command::None);
    EXPECT_FALSE(copy.run(Command::Paste, 40));
    EXPECT_EQ(copy.EditMaschinen[40], machine(40));

    EXPECT_FALSE(copy.run(Command::Copy, 5)); // copying changes no row
    EXPECT_TRUE(copy.Kopiert);
    ASSERT_TRUE(copy.run(Command::Paste, 40));
    ASSERT_TRUE(copy.run(Command::Paste, 41));
    EXPECT_EQ(copy.EditMaschinen[40], machine(5));
    EXPECT_EQ(copy.EditMaschinen[41], machine(5));
    EXPECT_EQ(copy.EditMaschinen[5], machine(5));

    // Loading the table again keeps the clipboard, and the entry that pastes says so.
    LineLayout layout;
    copy.load(layout);
    EXPECT_EQ(copy.EditMaschinen[40], layout.Machines[40]);
    EXPECT_TRUE(copy.Kopiert);
    EXPECT_EQ(copy.commandEntries(), (QStringList{"Copy", "Paste", "Insert", "Delete"}));
    ASSERT_TRUE(copy.run(Command::Paste, 0));
    EXPECT_EQ(copy.EditMaschinen[0], machine(5));
}

TEST(MachineTableRows, ThePointerSelectsTheEntryItIsOver) {
    const std::tuple<double, bool, Command> cases[] = {
        {0, false, Command::Copy},   {224.9, false, Command::Copy}, {225, false, Command::None}, // blank entry
        {300, true, Command::Paste}, {450, false, Command::Insert}, {899, false, Command::Delete},
        {900, false, Command::None}, {-1, false, Command::None}, // outside the entries
    };
    for (const auto& [y, copied, command] : cases) {
        WorkingCopy copy;
        copy.Kopiert = copied;
        EXPECT_EQ(copy.commandAt(y), command) << y;
    }
}
