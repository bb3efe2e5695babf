#include "editors/EditierenT.h"
#include "editors/UnicodeTextBox.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include "base/Settings.h"
#include "display/LineModul.h"
#include "display/MainWindow.h"

#include "DialogAnswer.h"
#include "StationRig.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace base;
using namespace station;
using namespace editors;
using namespace display;

using testutil::readBytes;
using testutil::writeBytes;

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
// A click on entry `row` of a list.
void clickEntry(QListWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    click(list->viewport(), Qt::LeftButton, at);
}
// The command list's own entries are 225 twips high; `entry` picks the middle of one.
QPoint commandPoint(int entry) { return QPoint(20, ui::twipsToPixelsY(225 * entry + 112)); }

struct TableEditorTest : ::testing::Test {
    QTemporaryDir dir;
    LineLayout layout;
    GeneralSettings settings;
    std::unique_ptr<ui::SymbolImages> symbols;
    std::unique_ptr<EditierenT> dialog;

    TableEditorTest() {
        QDir(dir.path()).mkdir("MachineSymbols");
        for (int n : {0, 3, 7})
            testutil::writeGif(dir.filePath(QStringLiteral("MachineSymbols/MachineSymbol_%1_800.gif").arg(n)), 24, 20);
        layout.setGroupName(0, QStringLiteral("Infeed"));
        layout.setGroupName(4, QStringLiteral("Упаковка"));
        for (int s = 0; s < MachineSlots; ++s) {
            MachineRecord& m = slot(s);
            m.Text = QStringLiteral("Machine %1").arg(s);
            m.Address = QStringLiteral("10.0.0.%1").arg(s);
            m.Machine = static_cast<int16_t>(s % 10 + 1);
            m.Symbol = static_cast<int16_t>(s < 8 ? 3 : 50 + s); // only the first page has pictures
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
    void runCommand(EditierenT& d, int row, int entry) {
        click(d.marke(row));
        EXPECT_TRUE(d.listMarke()->isVisible());
        mouse(d.listMarke()->viewport(), QEvent::MouseMove, commandPoint(entry), Qt::NoButton);
        click(d.listMarke()->viewport(), Qt::LeftButton, commandPoint(entry));
    }
};
} // namespace

TEST_F(TableEditorTest, EscClosesAnOpenListOnlyHoweverItWasOpened) {
    open(
        [&](EditierenT& d) {
            d.textMachineName(0)->setUnicodeText(QStringLiteral("kept"));
            // A pick list opened with the mouse: the focus stays on its box, Esc closes the list.
            d.textGruppe(1)->setFocus();
            click(d.textGruppe(1));
            ASSERT_TRUE(d.listGruppe()->isVisible());
            QTest::keyClick(d.textGruppe(1), Qt::Key_Escape);
            EXPECT_FALSE(d.listGruppe()->isVisible());
            EXPECT_TRUE(d.isVisible());
            // The row command list, likewise.
            click(d.marke(2));
            ASSERT_TRUE(d.listMarke()->isVisible());
            QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
            EXPECT_FALSE(d.listMarke()->isVisible());
            EXPECT_TRUE(d.isVisible());
        },
        true);
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(slot(0).Text, "kept");
    // With no list open, Esc cancels the dialog.
    Answer<EditierenT> answer([](EditierenT& d) {
        d.textMachineName(0)->setUnicodeText(QStringLiteral("dropped"));
        QTest::keyClick(d.textComputerName(0), Qt::Key_Escape);
    });
    dialog->edit();
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(slot(0).Text, "kept");
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
            EXPECT_EQ(d.textGruppe(3)->text(), "99");
            EXPECT_EQ(d.textMachineNumber(5)->text(), "0");
            EXPECT_EQ(d.textGruppe(0)->text(), "0 - none");
            EXPECT_EQ(d.textGruppe(1)->text(), "1 - Infeed");
            EXPECT_EQ(d.textGruppeVisu(0, 2)->text(), "5 - Упаковка");
        },
        true);
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::ConfirmedChanged);
    for (int s = 0; s < MachineSlots; ++s)
        EXPECT_EQ(layout.Machines[static_cast<size_t>(s)], before.Machines[static_cast<size_t>(s)]) << s;

    // An insert, a pasted record, a changed name and a ticked box, then Cancel: nothing reaches
    // the layout and the result is 0.
    open(
        [&](EditierenT& d) {
            runCommand(d, 2, static_cast<int>(machine_table::Command::Insert));
            EXPECT_EQ(d.textMachineName(2)->UnicodeText(), "");
            EXPECT_EQ(d.textMachineName(3)->UnicodeText(), "Machine 2");
            d.textMachineName(4)->setUnicodeText("Renamed");
            click(d.checkRemoteControl(5));
        },
        false);
    EXPECT_EQ(dialog->EditErgebnis, DialogResult::Cancelled);
    for (int s = 0; s < MachineSlots; ++s)
        EXPECT_EQ(layout.Machines[static_cast<size_t>(s)], before.Machines[static_cast<size_t>(s)]) << s;
}

TEST_F(TableEditorTest, RowsFollowTheScrollBarAndPicturesFollowTheirRecords) {
    open(
        [&](EditierenT& d) {
            for (int r = 0; r < machine_table::RowCount; ++r) EXPECT_EQ(d.marke(r)->text(), QString::number(r));
            EXPECT_FALSE(d.bild(0)->pixmap().isNull());
            EXPECT_TRUE(d.bild(8)->pixmap().isNull()); // slot 8 has no picture file
            d.vScroll()->setValue(6);
            for (int r = 0; r < machine_table::RowCount; ++r) EXPECT_EQ(d.marke(r)->text(), QString::number(48 + r));
            EXPECT_EQ(d.textMachineName(15)->UnicodeText(), "Machine 63");
            // Rows that showed pictures before show none for records without one.
            for (int r = 0; r < machine_table::RowCount; ++r) EXPECT_TRUE(d.bild(r)->pixmap().isNull()) << r;

            // One notch of the wheel over the rows is one step.
            const QPoint overRows = d.row(3)->geometry().center();
            QWheelEvent wheel(overRows, d.mapToGlobal(overRows), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(&d, &wheel);
            EXPECT_EQ(d.vScroll()->value(), 5);
            EXPECT_EQ(d.marke(0)->text(), "40");
            d.vScroll()->setValue(0);
            EXPECT_FALSE(d.bild(0)->pixmap().isNull());
        },
        false);
}

TEST_F(TableEditorTest, UntickingEnabledGreysTheRowButKeepsItsValues) {
    open(
        [&](EditierenT& d) {
            click(d.checkEnabled(4));
            EXPECT_FALSE(d.checkEnabled(4)->isChecked());
            for (QWidget* w :
                 {static_cast<QWidget*>(d.bild(4)), static_cast<QWidget*>(d.textMachineName(4)),
                  static_cast<QWidget*>(d.textComputerName(4)), static_cast<QWidget*>(d.textMachineNumber(4)),
                  static_cast<QWidget*>(d.textGruppe(4)), static_cast<QWidget*>(d.textGruppeVisu(4, 6)),
                  static_cast<QWidget*>(d.checkRemoteControl(4)), static_cast<QWidget*>(d.checkStatusPLC(4))})
                EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
            EXPECT_TRUE(d.checkEnabled(4)->isEnabled());
            EXPECT_TRUE(d.marke(4)->isEnabled());
            EXPECT_TRUE(d.textGruppe(5)->isEnabled());
            // A greyed box opens no list.
            click(d.textGruppe(4));
            EXPECT_FALSE(d.listGruppe()->isVisible());
            // The computer name is taken as typed.
            d.textComputerName(6)->setFocus();
            d.textComputerName(6)->selectAll();
            QTest::keyClicks(d.textComputerName(6), "press-6");
        },
        true);
    EXPECT_FALSE(slot(4).Enabled);
    EXPECT_EQ(slot(4).Text, "Machine 4");
    EXPECT_EQ(slot(4).Group, 3);
    EXPECT_EQ(slot(6).Address, "press-6");
}

TEST_F(TableEditorTest, PickListsOpenOnReleaseStoreTheMappedValueAndCloseOnARightPress) {
    slot(2).Group = 99;
    open(
        [&](EditierenT& d) {
            // Any button opens a list on release, at the row, with the stored value selected.
            mouse(d.textMachineNumber(1), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton);
            ASSERT_TRUE(d.listMachineNumber()->isVisible());
            EXPECT_EQ(d.listMachineNumber()->currentRow(), 1);
            clickEntry(d.listMachineNumber(), 6);
            EXPECT_FALSE(d.listMachineNumber()->isVisible());
            EXPECT_EQ(d.textMachineNumber(1)->text(), "7");

            click(d.textGruppe(0));
            ASSERT_TRUE(d.listGruppe()->isVisible());
            EXPECT_EQ(d.listGruppe()->currentRow(), 0);
            clickEntry(d.listGruppe(), 5);
            EXPECT_EQ(d.textGruppe(0)->text(), "5 - Упаковка");

            // A stored value without an entry opens the list with nothing selected.
            click(d.textGruppe(2));
            EXPECT_EQ(d.listGruppe()->currentRow(), -1);
            // A right press on a list closes every list and picks nothing.
            click(d.listGruppe()->viewport(), Qt::RightButton,
                  d.listGruppe()->visualItemRect(d.listGruppe()->item(3)).center());
            EXPECT_FALSE(d.listGruppe()->isVisible());

            // The visualisation groups, scrolled into view.
            d.hScroll()->setValue(4);
            EXPECT_FALSE(d.heading(3)->isVisible());
            EXPECT_FALSE(d.cell(0, 3)->isVisible());
            EXPECT_TRUE(d.heading(6)->isVisible());
            click(d.textGruppeVisu(3, 2));
            ASSERT_TRUE(d.listGruppeVisu()->isVisible());
            EXPECT_EQ(d.listGruppeVisu()->currentRow(), 5);
            // Opening another box's list closes the first; a list opens beside its box and never over
            // the scroll bars.
            click(d.textGruppeVisu(15, 1));
            EXPECT_TRUE(d.listGruppeVisu()->isVisible());
            EXPECT_LE(d.listGruppeVisu()->geometry().bottom(), d.hScroll()->geometry().top());
            clickEntry(d.listGruppeVisu(), 0);
            EXPECT_EQ(d.textGruppeVisu(15, 1)->text(), "0 - none");
            // A scroll closes an open list.
            click(d.textGruppe(5));
            d.vScroll()->setValue(1);
            EXPECT_FALSE(d.listGruppe()->isVisible());
        },
        true);
    EXPECT_EQ(slot(1).Machine, 7);
    EXPECT_EQ(slot(0).Group, 4);
    EXPECT_EQ(slot(2).Group, 99);
    EXPECT_EQ(slot(3).VisuGroup[1], 4);
    EXPECT_EQ(slot(15).VisuGroup[0], -1);
}

TEST_F(TableEditorTest, RowCommandsCopyPasteAndTheClipboardOutlivesTheWindow) {
    const MachineRecord five = slot(5);
    open(
        [&](EditierenT& d) {
            // Before the first copy the blank second entry cannot be selected and does nothing.
            click(d.marke(2));
            QListWidget* list = d.listMarke();
            EXPECT_EQ(list->item(1)->text(), "");
            mouse(list->viewport(), QEvent::MouseMove, commandPoint(1), Qt::NoButton);
            EXPECT_TRUE(list->selectedItems().isEmpty());
            mouse(list->viewport(), QEvent::MouseMove, commandPoint(3), Qt::NoButton);
            EXPECT_EQ(list->selectedItems().value(0), list->item(3));
            mouse(list->viewport(), QEvent::MouseMove, commandPoint(1), Qt::NoButton);
            click(list->viewport(), Qt::LeftButton, commandPoint(1));
            EXPECT_FALSE(list->isVisible());
            EXPECT_EQ(d.textMachineName(2)->UnicodeText(), "Machine 2");

            runCommand(d, 5, static_cast<int>(machine_table::Command::Copy));
            EXPECT_EQ(list->item(1)->text(), "Paste");
            d.vScroll()->setValue(5); // slots 40..55
            runCommand(d, 0, static_cast<int>(machine_table::Command::Paste));
            runCommand(d, 1, static_cast<int>(machine_table::Command::Paste));
            EXPECT_EQ(d.textMachineName(0)->UnicodeText(), "Machine 5");
            EXPECT_EQ(d.textMachineName(1)->UnicodeText(), "Machine 5");
            EXPECT_EQ(d.textComputerName(1)->text(), "10.0.0.5");

            // A right press closes the command list without acting.
            click(d.marke(7));
            click(list->viewport(), Qt::RightButton, commandPoint(2));
            EXPECT_FALSE(list->isVisible());
            EXPECT_EQ(d.textMachineName(7)->UnicodeText(), "Machine 47");
        },
        true);
    EXPECT_EQ(slot(40), five);
    EXPECT_EQ(slot(41), five);
    EXPECT_EQ(slot(47).Text, "Machine 47");

    // The next opening still pastes what was copied, and its second entry says so.
    open(
        [&](EditierenT& d) {
            EXPECT_EQ(d.listMarke()->item(1)->text(), "Paste");
            runCommand(d, 9, static_cast<int>(machine_table::Command::Paste));
            runCommand(d, 0, static_cast<int>(machine_table::Command::Delete));
            EXPECT_EQ(d.textMachineName(0)->UnicodeText(), "Machine 1");
            d.vScroll()->setValue(6);
            EXPECT_EQ(d.textMachineName(15)->UnicodeText(), "");
        },
        true);
    EXPECT_EQ(slot(8), five); // pasted at 9, moved up by the delete at 0
    EXPECT_EQ(slot(63), machine_table::emptyMachine());
}

TEST_F(TableEditorTest, ColumnWidthsFollowTheDragAndSurviveCancel) {
    open(
        [&](EditierenT& d) {
            QWidget* grip = d.grip(2);
            const QRect cellBefore = d.cell(0, 3)->geometry();
            const int headingBefore = d.heading(3)->x();
            mouse(grip, QEvent::MouseButtonPress, QPoint(4, 5), Qt::LeftButton, Qt::LeftButton);
            mouse(grip, QEvent::MouseMove, QPoint(44, 5), Qt::NoButton, Qt::LeftButton);
            // While dragging only the headings move.
            EXPECT_EQ(layout.TableSize[2], 2400 + ui::pixelsToTwipsX(40));
            EXPECT_EQ(d.heading(3)->x(), headingBefore + 40);
            EXPECT_EQ(d.cell(0, 3)->geometry(), cellBefore);
            mouse(grip, QEvent::MouseButtonRelease, QPoint(4, 5), Qt::LeftButton, Qt::NoButton);
            EXPECT_EQ(d.cell(0, 3)->x(), cellBefore.x() + 40);
            EXPECT_EQ(d.textMachineName(0)->width(), d.heading(2)->width());

            // Far beyond the window's edges the width stops at its limits.
            mouse(grip, QEvent::MouseButtonPress, QPoint(4, 5), Qt::LeftButton, Qt::LeftButton);
            mouse(grip, QEvent::MouseMove, QPoint(-5000, 5), Qt::NoButton, Qt::LeftButton);
            mouse(grip, QEvent::MouseButtonRelease, QPoint(-5000, 5), Qt::LeftButton, Qt::NoButton);
            EXPECT_EQ(layout.TableSize[2], 300);
            mouse(grip, QEvent::MouseButtonPress, QPoint(4, 5), Qt::LeftButton, Qt::LeftButton);
            mouse(grip, QEvent::MouseMove, QPoint(9000, 5), Qt::NoButton, Qt::LeftButton);
            mouse(grip, QEvent::MouseButtonRelease, QPoint(9000, 5), Qt::LeftButton, Qt::NoButton);
            EXPECT_EQ(layout.TableSize[2], 9000);
            EXPECT_FALSE(d.Ziehen);
            // Rapid presses and releases leave a sane state.
            for (int i = 0; i < 2000; ++i) {
                mouse(d.grip(i % 6), i % 2 ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress, QPoint(2, 2),
                      Qt::LeftButton, i % 2 ? Qt::NoButton : Qt::LeftButton);
                click(d.marke(i % 16));
            }
            EXPECT_FALSE(d.Ziehen);
            EXPECT_EQ(d.hScroll()->maximum(),
                      machine_table::layColumns(layout.TableSize, d.ErsteSpalte(), ui::pixelsToTwipsX(d.width()))
                          .scrollMaximum);
        },
        false);
    EXPECT_EQ(layout.TableSize[2], 9000);
    open([&](EditierenT& d) { EXPECT_EQ(d.heading(2)->width(), ui::twipsToPixelsX(9000)); }, false);
}

TEST_F(TableEditorTest, EnterInACellNeverConfirmsAndTabGoesAlongTheRow) {
    open(
        [&](EditierenT& d) {
            UnicodeTextBox* name = d.textMachineName(0);
            name->setFocus();
            QTest::keyClick(name, Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            QTest::keyClick(name, Qt::Key_Tab);
            EXPECT_EQ(d.focusWidget(), d.textComputerName(0));
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(d.focusWidget(), d.textMachineNumber(0));
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
            // Column 6 is scrolled out of view: the next row's first cell follows.
            EXPECT_EQ(d.focusWidget(), d.checkEnabled(1));
            QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
        },
        false);
}

TEST_F(TableEditorTest, PickListsWorkFromTheKeyboard) {
    open(
        [&](EditierenT& d) {
            QLineEdit* box = d.textGruppe(1); // group 0: "1 - Infeed"
            box->setFocus();
            QTest::keyClick(box, Qt::Key_F4);
            ASSERT_TRUE(d.listGruppe()->isVisible());
            EXPECT_EQ(d.focusWidget(), d.listGruppe());
            EXPECT_EQ(d.listGruppe()->currentRow(), 1);
            QTest::keyClick(d.listGruppe(), Qt::Key_Down);
            QTest::keyClick(d.listGruppe(), Qt::Key_Return); // stores, and never confirms the dialog
            EXPECT_FALSE(d.listGruppe()->isVisible());
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(box->text(), "2 - ");
            EXPECT_EQ(d.focusWidget(), box);
            // Esc in an open list closes the list only.
            QTest::keyClick(box, Qt::Key_Space);
            ASSERT_TRUE(d.listGruppe()->isVisible());
            QTest::keyClick(d.listGruppe(), Qt::Key_Down);
            QTest::keyClick(d.listGruppe(), Qt::Key_Escape);
            EXPECT_FALSE(d.listGruppe()->isVisible());
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(box->text(), "2 - ");
            QTest::keyClick(d.textMachineNumber(2), Qt::Key_Down, Qt::AltModifier);
            EXPECT_TRUE(d.listMachineNumber()->isVisible());
        },
        true);
    EXPECT_EQ(slot(1).Group, 1);
    EXPECT_EQ(slot(2).Machine, 3); // opened, not changed
}

TEST(MachineTableFromTheMainWindow, ATableTileClickSavesEveryMachineAndTheWidths) {
    StationRig rig;
    QByteArray ini = "; line 3\r\n[General]\r\nLogDebug=false\r\n[Ma2]\r\nText=Capper\r\nEnabled=true\r\n; kept\r\n"
                     "[Table]\r\nSize4=2000\r\n";
    Station& station = rig.start(ini, true);
    VelkoZuraVeradadClient* window = rig.window.get();
    station.CommandStart_Click();
    station.CommandEdit_Click();
    station.CommandTab_Click();
    const QString file = rig.paths.settingsFile();
    const QByteArray before = readBytes(file);

    Qt::CursorShape during = Qt::ArrowCursor;
    {
        Answer<EditierenT> answer([&](EditierenT& d) {
            during = window->cursor().shape();
            d.commandCancel()->click();
        });
        window->LineModul_Click(3);
    }
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(readBytes(file), before);

    {
        Answer<EditierenT> answer([&](EditierenT& d) {
            d.textMachineName(5)->setUnicodeText("Labeller");
            click(d.checkEnabled(5));
            d.commandOK()->click();
        });
        window->LineModul_Click(0);
    }
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window->machineTile(5)->machineName(), "Labeller");
    // The same bytes as every key written one by one into the file as it was.
    const QString oneByOne = rig.dir.filePath("one-by-one.ini");
    writeBytes(oneByOne, before);
    saveAllMachinesKeyByKey(station.layout(), oneByOne);
    const QByteArray after = readBytes(file);
    EXPECT_EQ(after, readBytes(oneByOne));
    EXPECT_TRUE(after.startsWith("; line 3\r\n[General]\r\nLogDebug=false\r\n[Ma2]\r\nText=Capper\r\nEnabled=true\r\n"
                                 "; kept\r\nAddress=\r\n"));
    EXPECT_TRUE(after.contains("[Ma5]\r\nText=Labeller\r\nAddress=\r\nMachine=1\r\nRemoteControl=false\r\nSymbol=-1\r\n"
                               "StatusPLC=false\r\nEnabled=true\r\n"));
    EXPECT_TRUE(after.contains("[Table]\r\nSize4=2000\r\nSize0=1200\r\n"));
    EXPECT_EQ(station.layout().TableSize[14], 10000);
}
