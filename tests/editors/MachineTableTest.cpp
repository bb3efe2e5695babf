// The machine table: its rules without a window (columns, cells, lists, row commands), and the
// editor through its controls.
#include "editors/MachineTable.h"
#include "editors/EditierenT.h"
#include "editors/UnicodeTextBox.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include "DialogAnswer.h"

#include <QApplication>

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

// Sends one mouse event straight to a control, at a point in its own pixels.
void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}
void click(QWidget* target, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint(5, 5)) {
    mouse(target, QEvent::MouseButtonPress, at, button, button);
    mouse(target, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}
void clickEntry(QListWidget* list, int row, Qt::MouseButton button = Qt::LeftButton) {
    click(list->viewport(), button, list->visualItemRect(list->item(row)).center());
}
// The middle of one of the command list's entries (225 twips high).
QPoint commandPoint(Command entry) { return QPoint(20, ui::twipsToPixelsY(225 * static_cast<int>(entry) + 112)); }

// Slot s holds "Machine s" at 10.0.0.s, machine s % 10 + 1, group s % 5 - 1, visualisation groups
// 0, 4, ..., s % 32; only the slots of the first page have a picture.
struct TableEditorTest : ::testing::Test {
    QTemporaryDir dir;
    LineLayout layout;
    GeneralSettings settings;
    std::unique_ptr<ui::SymbolImages> symbols;
    std::unique_ptr<EditierenT> dialog;

    TableEditorTest() {
        QDir(dir.path()).mkdir("MachineSymbols");
        testutil::writeGif(dir.filePath("MachineSymbols/MachineSymbol_3_800.gif"), 24, 20);
        layout.setGroupName(0, QStringLiteral("Infeed"));
        layout.setGroupName(4, QStringLiteral("Упаковка"));
        for (int s = 0; s < MachineSlots; ++s) {
            MachineRecord& m = slot(s);
            m.Text = QStringLiteral("Machine %1").arg(s);
            m.Address = QStringLiteral("10.0.0.%1").arg(s);
            m.Machine = static_cast<int16_t>(s % 10 + 1);
            m.Symbol = static_cast<int16_t>(s < 8 ? 3 : 50 + s);
            m.Enabled = true;
            m.Group = static_cast<int16_t>(s % 5 - 1);
            m.VisuGroup = {0, 4, -1, -1, -1, static_cast<int16_t>(s % 32)};
        }
        symbols = std::make_unique<ui::SymbolImages>(dir.path());
        dialog = std::make_unique<EditierenT>(layout, settings, dir.path(), *symbols, nullptr);
    }
    MachineRecord& slot(int s) { return layout.Machines[static_cast<size_t>(s)]; }
    // Opens the editor, runs `inside` while it is shown, and closes it with OK or Cancel.
    void open(const std::function<void(EditierenT&)>& inside, bool ok) {
        Answer<EditierenT> answer([&](EditierenT& d) {
            inside(d);
            (ok ? d.commandOK() : d.commandCancel())->click();
        });
        dialog->edit();
    }
    static void runCommand(EditierenT& d, int row, Command entry) {
        click(d.marke(row));
        EXPECT_TRUE(d.listMarke()->isVisible());
        mouse(d.listMarke()->viewport(), QEvent::MouseMove, commandPoint(entry), Qt::NoButton);
        click(d.listMarke()->viewport(), Qt::LeftButton, commandPoint(entry));
    }
};
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

TEST_F(TableEditorTest, OkWritesBackExactlyWhatWasThereAndCancelDropsEverything) {
    // Values outside the lists, names of any script and length, and the run-time mark.
    slot(3).Group = 99;
    slot(4).Symbol = -5;
    slot(5).Machine = 0;
    slot(6).VisuGroup[2] = -40;
    slot(7).Text = QStringLiteral("Упаковщик \U0001F4E6 ") + QString(300, QChar(u'x'));
    slot(8).Text = QString(40000, QChar(u'n')); // longer than a line edit takes by default
    slot(9).SameAddress = true;
    const LineLayout before = layout;
    open(
        [](EditierenT& d) {
            EXPECT_EQ(d.textGruppe(3)->text(), "99"); // a value without an entry shows as itself
            EXPECT_EQ(d.textMachineNumber(5)->text(), "0");
            EXPECT_EQ(d.textGruppe(1)->text(), "1 - Infeed");
            EXPECT_EQ(d.textGruppeVisu(0, 2)->text(), "5 - Упаковка");
        },
        true);
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(layout.Machines, before.Machines);
    // An insert, a changed name and a ticked box, then Cancel: nothing reaches the layout.
    open(
        [&](EditierenT& d) {
            runCommand(d, 2, Command::Insert);
            EXPECT_EQ(d.textMachineName(2)->UnicodeText(), "");
            EXPECT_EQ(d.textMachineName(3)->UnicodeText(), "Machine 2");
            d.textMachineName(4)->setUnicodeText("Renamed");
            click(d.checkRemoteControl(5));
        },
        false);
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(layout.Machines, before.Machines);
}

TEST_F(TableEditorTest, PickListsStoreTheMappedValueByMouseAndKeyboard) {
    slot(2).Group = 99;
    open(
        [&](EditierenT& d) {
            // Any button opens a list on release, with the stored value selected.
            mouse(d.textMachineNumber(1), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton);
            ASSERT_TRUE(d.listMachineNumber()->isVisible());
            EXPECT_EQ(d.listMachineNumber()->currentRow(), 1);
            clickEntry(d.listMachineNumber(), 6);
            EXPECT_FALSE(d.listMachineNumber()->isVisible());
            EXPECT_EQ(d.textMachineNumber(1)->text(), "7");
            // A stored value without an entry selects nothing; a right press closes and picks nothing.
            click(d.textGruppe(2));
            EXPECT_EQ(d.listGruppe()->currentRow(), -1);
            clickEntry(d.listGruppe(), 3, Qt::RightButton);
            EXPECT_FALSE(d.listGruppe()->isVisible());
            // The visualisation groups, scrolled into view; a list never covers the scroll bars.
            d.hScroll()->setValue(4);
            click(d.textGruppeVisu(15, 1));
            ASSERT_TRUE(d.listGruppeVisu()->isVisible());
            EXPECT_LE(d.listGruppeVisu()->geometry().bottom(), d.hScroll()->geometry().top());
            clickEntry(d.listGruppeVisu(), 0);
            EXPECT_EQ(d.textGruppeVisu(15, 1)->text(), "0 - none");
            // F4 opens a list; Return stores and never confirms; Esc closes only the list.
            QLineEdit* box = d.textGruppe(1);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_F4);
            ASSERT_TRUE(d.listGruppe()->isVisible());
            EXPECT_EQ(d.listGruppe()->currentRow(), 1);
            QTest::keyClick(d.listGruppe(), Qt::Key_Down);
            QTest::keyClick(d.listGruppe(), Qt::Key_Return);
            EXPECT_FALSE(d.listGruppe()->isVisible());
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(box->text(), "2 - ");
            QTest::keyClick(box, Qt::Key_Space);
            QTest::keyClick(d.listGruppe(), Qt::Key_Down);
            QTest::keyClick(d.listGruppe(), Qt::Key_Escape);
            EXPECT_FALSE(d.listGruppe()->isVisible());
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(box->text(), "2 - ");
        },
        true);
    EXPECT_EQ(slot(1).Machine, 7);
    EXPECT_EQ(slot(1).Group, 1);
    EXPECT_EQ(slot(2).Group, 99);
    EXPECT_EQ(slot(15).VisuGroup[0], -1);
    // With no list open, Esc cancels the dialog.
    Answer<EditierenT> answer([](EditierenT& d) {
        d.textMachineName(0)->setUnicodeText(QStringLiteral("dropped"));
        QTest::keyClick(d.textComputerName(0), Qt::Key_Escape);
    });
    dialog->edit();
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(slot(0).Text, "Machine 0");
}
