// The machine table editor through its controls; the rules it computes are MachineTableTest's.
#include "editors/EditierenT.h"
#include "editors/UnicodeTextBox.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include "DialogAnswer.h"
#include "TestUtil.h"

#include <QApplication>

using namespace base;
using namespace editors;
using machine_table::Command;

namespace {
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
