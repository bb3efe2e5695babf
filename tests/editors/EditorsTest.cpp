#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenT.h"
#include "editors/MachineForm.h"
#include "editors/SymbolAuswahl.h"
#include "editors/UnicodeTextBox.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include "display/GroupModul.h"
#include "display/LineModul.h"

#include "DialogAnswer.h"
#include "FakeOs.h"
#include "StationRig.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using namespace base;
using namespace station;
using namespace editors;
using namespace display;

using testutil::readBytes;

namespace {
const QString Names[] = {QStringLiteral("Упаковщик"),
                         QStringLiteral("Συσκευαστής"),
                         QStringLiteral("包装机"),
                         QStringLiteral("آلة التعبئة"),
                         QStringLiteral("מכונת אריזה"),
                         QStringLiteral("e\u0301te\u0301"),
                         QStringLiteral("Box \U0001F4E6 \U00020BB7"),
                         QString(),
                         QString(300, QChar(u'x'))};

struct EditorTest : ::testing::Test {
    LineLayout layout;
    GeneralSettings settings;
    QTemporaryDir dir;

    MachineRecord& slot(int m) { return layout.Machines[static_cast<size_t>(m)]; }
};
} // namespace

TEST(UnicodeTextBox, AnyScriptComesBackUnchangedAndChangesAreReported) {
    UnicodeTextBox box(7);
    QSignalSpy changes(&box, &UnicodeTextBox::Change);
    for (const QString& name : Names) {
        box.setUnicodeText(name);
        EXPECT_EQ(box.UnicodeText(), name);
    }
    EXPECT_EQ(changes.count(), static_cast<int>(std::size(Names)));
    EXPECT_EQ(changes.at(0).at(0).toInt(), 7);
    box.setUnicodeText(QString());
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("Filler"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.UnicodeText(), "Fille");
    // Text from the desktop's input method (how CJK is typed) is taken as it is committed.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("包装"));
    QCoreApplication::sendEvent(&box, &commit);
    EXPECT_EQ(box.UnicodeText(), "Fille包装");
    box.setEnabled(false);
    QTest::keyClicks(&box, QStringLiteral("zz"));
    EXPECT_EQ(box.UnicodeText(), "Fille包装");
}

TEST(MachineForm, ListMappingsAtTheEndsOfTheirRanges) {
    LineLayout layout;
    layout.setGroupName(0, "Filling");
    const QStringList groups = machine_form::groupEntries(layout);
    ASSERT_EQ(groups.size(), 33);
    EXPECT_EQ(groups[0], "0 none");
    EXPECT_EQ(groups[1], "1 Filling");
    EXPECT_EQ(groups[32], "32 "); // an unnamed group: the number and a blank
    EXPECT_EQ(machine_form::machineNumberEntries(), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(machine_form::positionForMachine(10), 9);
    EXPECT_EQ(machine_form::machineForPosition(0, 10), 1);
    EXPECT_EQ(machine_form::positionForGroup(-1), 0);
    EXPECT_EQ(machine_form::positionForGroup(31), 32);
    EXPECT_EQ(machine_form::groupForPosition(3, -1), 2);
    EXPECT_EQ(machine_form::positionForGroup(99), -1);
    EXPECT_EQ(machine_form::groupForPosition(-1, 99), 99); // no entry selected: the stored value stays
    EXPECT_EQ(machine_form::positionForGroup(-2), -1);
}

TEST(MachineForm, ConfirmComparesFieldByFieldWithCase) {
    MachineRecord record;
    record.Address = "Packer";
    record.Group = 99;
    MachineForm form = MachineForm::from(record);
    EXPECT_FALSE(form.applyTo(record));
    EXPECT_EQ(record.Group, 99);
    form.address = "PACKER";
    EXPECT_TRUE(form.applyTo(record));
    EXPECT_EQ(record.Address, "PACKER");
    form.groupPosition = 0;
    EXPECT_TRUE(form.applyTo(record));
    EXPECT_EQ(record.Group, -1);
}

TEST_F(EditorTest, MachineEditorLoadsARecordAndOkStoresOnlyWhatChanged) {
    layout.setGroupName(1, "Labelling");
    MachineRecord& m = slot(21);
    m.Text = Names[0];
    m.Address = "10.0.0.21";
    m.Machine = 10;
    m.Enabled = true;
    m.Group = -1;
    m.VisuGroup = {31, -1, 0, 1, 2, 3};
    m.RemoteControl = true;
    settings.fontName = "Arial";
    settings.lcId = 1049;
    Editieren editor(layout, settings, dir.path(), nullptr);
    EXPECT_EQ(editor.windowTitle(), "Edit Maschine");
    EXPECT_EQ(editor.size(), QSize(630, 518));
    editor.EditIndex = 21;
    const MachineRecord before = m;
    {
        Answer<Editieren> answer([&](Editieren& d) {
            EXPECT_EQ(d.textMachineName()->UnicodeText(), Names[0]);
            EXPECT_EQ(d.textMachineName()->lcId(), 1049);
            EXPECT_EQ(d.textComputerName()->text(), "10.0.0.21");
            EXPECT_EQ(d.comboMachineNumber()->currentText(), "10");
            EXPECT_EQ(d.comboGruppe()->currentText(), "0 none");
            EXPECT_EQ(d.comboGruppeVisu(1)->currentText(), "32 ");
            EXPECT_EQ(d.comboGruppeVisu(4)->currentText(), "2 Labelling");
            EXPECT_TRUE(d.checkRemoteControl()->isChecked());
            EXPECT_TRUE(d.textMachineName()->isEnabled());
            d.commandOK()->click();
        });
        editor.edit();
    }
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedUnchanged);
    EXPECT_EQ(m, before);

    // The computer name takes any length, like the name boxes.
    {
        Answer<Editieren> answer([&](Editieren& d) {
            d.textComputerName()->setText(QString(40000, QChar(u'a')));
            d.commandOK()->click();
        });
        editor.edit();
    }
    EXPECT_EQ(m.Address.size(), 40000);
    m.Address = before.Address;

    // Enter in a text box does not confirm; Cancel then leaves the record and gives 0.
    {
        Answer<Editieren> answer([&](Editieren& d) {
            d.textComputerName()->setFocus();
            d.textComputerName()->setText("10.0.0.99");
            QTest::keyClick(d.textComputerName(), Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            d.commandCancel()->click();
        });
        editor.edit();
    }
    EXPECT_EQ(editor.EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(m, before);

    // Only a change of case, a list choice and the Enabled box: all stored with result 1.
    {
        Answer<Editieren> answer([&](Editieren& d) {
            EXPECT_EQ(d.textComputerName()->text(), "10.0.0.21"); // reloaded at every opening
            d.textMachineName()->setUnicodeText(Names[0].toLower());
            d.comboMachineNumber()->setCurrentIndex(0);
            d.comboGruppe()->setCurrentIndex(3);
            d.checkEnabled()->click();
            // Unused: the inputs grey at once, the picture and OK stay.
            EXPECT_FALSE(d.textMachineName()->isEnabled());
            EXPECT_FALSE(d.commandSymbol()->isEnabled());
            EXPECT_FALSE(d.comboGruppeVisu(6)->isEnabled());
            EXPECT_TRUE(d.commandOK()->isEnabled());
            EXPECT_TRUE(d.bild()->isEnabled());
            d.commandOK()->setFocus();
            QTest::keyClick(d.commandOK(), Qt::Key_Return); // Enter on the focused OK confirms
        });
        editor.edit();
    }
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(m.Text, Names[0].toLower());
    EXPECT_EQ(m.Machine, 1);
    EXPECT_EQ(m.Group, 2);
    EXPECT_FALSE(m.Enabled);
    EXPECT_EQ(m.Address, "10.0.0.21");
    EXPECT_EQ(m.VisuGroup, before.VisuGroup);
}

// The dialogs live for the whole run and are opened again and again: every opening is topmost on
// a station with Ostrel, and every opening has the dialog font of the current input language.
TEST_F(EditorTest, EveryOpeningIsTopmostAndHasTheCurrentDialogFont) {
    settings.ostrelPresent = true;
    QDir().mkpath(dir.filePath("MachineSymbols"));
    Editieren machine(layout, settings, dir.path(), nullptr);
    EditierenGroup group(layout, settings, nullptr);
    EditierenGroupT groupTable(layout, settings, nullptr);
    ui::SymbolImages symbols(dir.path());
    EditierenT machineTable(layout, settings, dir.path(), symbols, nullptr);
    SymbolAuswahl picker(dir.path(), true);
    const std::pair<const char*, std::function<void()>> openings[] = {
        {"machine editor", [&] { machine.edit(); }}, {"group name", [&] { group.edit(); }},
        {"group table", [&] { groupTable.edit(); }}, {"machine table", [&] { machineTable.edit(); }},
        {"symbol picker", [&] { picker.pick(); }},
    };
    const QFont before = ui::dialogFont();
    for (const auto& [name, open] : openings) {
        for (const char* family : {"DejaVu Sans", "DejaVu Serif"}) {
            ui::setUpDialogFont(QString::fromLatin1(family), 0);
            bool topmost = false;
            QString okFamily;
            editors::ModalDialog::setAnswer([&](editors::ModalDialog& d) {
                topmost = d.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                okFamily = d.findChild<QPushButton*>("CommandOK")->font().family();
                d.reject();
            });
            open();
            EXPECT_TRUE(topmost) << name << ", opened with " << family;
            EXPECT_EQ(okFamily, QString::fromLatin1(family)) << name;
        }
    }
    editors::ModalDialog::setAnswer({});
    ui::dialogFont() = before;
}

TEST_F(EditorTest, TheWheelChangesADropDownOnlyWithTheFocus) {
    slot(2).Enabled = true;
    slot(2).Group = 0;
    Editieren editor(layout, settings, dir.path(), nullptr);
    editor.EditIndex = 2;
    Answer<Editieren> answer([&](Editieren& d) {
        QApplication::setActiveWindow(&d); // focus needs an active window, also offscreen
        QComboBox* box = d.comboGruppe();
        const auto turn = [box] {
            QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(box, &wheel);
        };
        d.commandCancel()->setFocus();
        turn();
        EXPECT_EQ(box->currentIndex(), 1); // scrolling over the dialog changes nothing
        box->setFocus();
        turn();
        EXPECT_EQ(box->currentIndex(), 2);
        d.commandOK()->click();
    });
    editor.edit();
    EXPECT_EQ(slot(2).Group, 1);
}

TEST_F(EditorTest, AGroupOutsideTheListShowsItsNumberAndIsKept) {
    slot(0).Group = 99;
    slot(0).Enabled = true;
    Editieren editor(layout, settings, dir.path(), nullptr);
    editor.EditErgebnis = static_cast<DialogResult>(7); // never reset by an opening
    Answer<Editieren> answer([&](Editieren& d) {
        EXPECT_EQ(d.comboGruppe()->currentIndex(), -1);
        EXPECT_EQ(d.comboGruppe()->placeholderText(), "99");
        EXPECT_EQ(editor.EditErgebnis, static_cast<DialogResult>(7));
        d.commandOK()->click();
    });
    editor.edit();
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedUnchanged);
    EXPECT_EQ(slot(0).Group, 99);
}

TEST_F(EditorTest, ASymbolIsPickedAndShownOrLeftEmpty) {
    QDir().mkpath(dir.filePath("MachineSymbols"));
    testutil::writeGif(dir.filePath("MachineSymbols/MachineSymbol_4_800.gif"), 30, 20);
    testutil::writeGif(dir.filePath("MachineSymbols/MachineSymbol_9_123.gif"), 10, 10); // listed, but no _800 file
    slot(3).Symbol = 4;
    slot(3).Enabled = true;
    Editieren editor(layout, settings, dir.path(), nullptr);
    editor.EditIndex = 3;
    int step = 0;
    editors::ModalDialog::setAnswer([&](editors::ModalDialog& d) {
        if (auto* e = qobject_cast<Editieren*>(&d)) {
            EXPECT_EQ(e->bild()->pixmap().size(), QSize(30, 20));
            e->commandSymbol()->click(); // opens the picker, answered below
            EXPECT_EQ(e->EditSymbol, 9);
            EXPECT_EQ(e->bild()->pixmap().size(), QSize(30, 20)); // no picture for 9: the one before stays
            e->commandOK()->click();
        } else if (auto* picker = qobject_cast<SymbolAuswahl*>(&d)) {
            ++step;
            EXPECT_EQ(picker->parentWidget(), nullptr); // no owner: its default place
            EXPECT_TRUE(picker->place(0)->marked());    // symbol 4 is the current one
            picker->place(1)->clicked(1);
            picker->commandOK()->click();
        }
    });
    editor.edit();
    editors::ModalDialog::setAnswer({});
    EXPECT_EQ(step, 1);
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(slot(3).Symbol, 9);
}

TEST_F(EditorTest, GroupNameDialogStoresAChangedNameOnly) {
    layout.setGroupName(11, "Filling");
    EditierenGroup dialog(layout, settings, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Edit Group");
    dialog.EditIndex = 11;
    const auto answerWith = [&](const std::function<void(EditierenGroup&)>& action) {
        Answer<EditierenGroup> answer(action);
        dialog.edit();
    };
    answerWith([](EditierenGroup& d) {
        EXPECT_EQ(d.textGroupName()->UnicodeText(), "Filling");
        QTest::keyClick(d.textGroupName(), Qt::Key_Return); // Enter in the box does nothing
        d.commandOK()->click();
    });
    EXPECT_EQ(dialog.EditErgebnis, DialogResult::ConfirmedUnchanged);
    answerWith([](EditierenGroup& d) {
        d.textGroupName()->setUnicodeText("filling");
        d.commandOK()->click();
    });
    EXPECT_EQ(dialog.EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(layout.groupName(11), "filling");
    for (const QString& name : Names) {
        answerWith([&](EditierenGroup& d) {
            d.textGroupName()->setUnicodeText(name);
            d.commandOK()->click();
        });
        EXPECT_EQ(layout.groupName(11), name);
    }
    answerWith([](EditierenGroup& d) {
        d.textGroupName()->setUnicodeText("changed");
        d.reject();
    });
    EXPECT_EQ(dialog.EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(layout.groupName(11), Names[std::size(Names) - 1]);
}

TEST_F(EditorTest, GroupTableKeepsEveryEditAcrossScrolling) {
    for (int g = 0; g < 32; ++g) layout.setGroupName(g, QStringLiteral("G%1").arg(g));
    EditierenGroupT table(layout, settings, nullptr);
    {
        Answer<EditierenGroupT> answer([&](EditierenGroupT& d) {
            EXPECT_EQ(d.marke(0)->text(), "1");
            EXPECT_EQ(d.marke(15)->text(), "16");
            d.textGroupName(10)->setFocus();
            d.textGroupName(10)->selectAll();
            QInputMethodEvent typed;
            typed.setCommitString(QStringLiteral("Дозатор"));
            QCoreApplication::sendEvent(d.textGroupName(10), &typed);
            d.vScroll()->setValue(1);
            EXPECT_EQ(d.marke(0)->text(), "9");
            EXPECT_EQ(d.textGroupName(2)->UnicodeText(), "Дозатор"); // group 10 now stands in row 2
            d.vScroll()->setValue(2);
            EXPECT_EQ(d.marke(15)->text(), "32");
            d.textGroupName(15)->setUnicodeText(QString());
            d.reject();
        });
        table.edit();
    }
    EXPECT_EQ(table.EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(layout.groupName(10), "G10");
    {
        Answer<EditierenGroupT> answer([&](EditierenGroupT& d) {
            EXPECT_EQ(d.textGroupName(10)->UnicodeText(), "G10"); // a fresh copy at every opening
            EXPECT_EQ(d.vScroll()->value(), 0);
            d.vScroll()->setValue(2);
            d.textGroupName(15)->setUnicodeText(QString());
            d.commandOK()->click();
        });
        table.edit();
    }
    EXPECT_EQ(table.EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(layout.groupName(31), "");
    EXPECT_EQ(layout.groupName(30), "G30");
}

namespace {
struct ClickTest : ::testing::Test {
    StationRig rig;
    VelkoZuraVeradadClient* window = nullptr;
    Station* station = nullptr;
    void start(const QByteArray& ini) {
        station = &rig.start(ini);
        station->CommandStart_Click(); // disconnect: edit mode is possible only then
        station->CommandEdit_Click();
    }
};
} // namespace

TEST_F(ClickTest, AMachineTileClickEditsItsSlotAndWritesTheSection) {
    start("; station\r\n[Ma21]\r\nText=Old\r\nEnabled=true\r\n");
    window = rig.window.get();
    window->hScroll()->setValue(2);
    {
        Answer<Editieren> answer([](Editieren& d) {
            EXPECT_EQ(d.EditIndex, 21);
            d.textMachineName()->setUnicodeText(QStringLiteral("Füller Ω"));
            d.textComputerName()->setText("filler");
            d.commandOK()->click();
        });
        QTest::mouseClick(window->machineTile(5), Qt::LeftButton);
    }
    EXPECT_EQ(readBytes(rig.paths.settingsFile()),
              "; station\r\n[Ma21]\r\nText=F\xFCller ?\r\nEnabled=true\r\nAddress=filler\r\nMachine=1\r\n"
              "RemoteControl=false\r\nSymbol=-1\r\nStatusPLC=false\r\nGroup=-1\r\nVisuGroup1=-1\r\nVisuGroup2=-1\r\n"
              "VisuGroup3=-1\r\nVisuGroup4=-1\r\nVisuGroup5=-1\r\nVisuGroup6=-1\r\n");
    // In memory and on the tile the name stays whole; the file holds what its code page can.
    EXPECT_EQ(window->machineTile(5)->machineName(), "Füller Ω");

    // Confirmed without a change: nothing is written.
    const QByteArray before = readBytes(rig.paths.settingsFile());
    {
        Answer<Editieren> answer([](Editieren& d) { d.commandOK()->click(); });
        QTest::mouseClick(window->machineTile(5), Qt::LeftButton);
    }
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), before);
}

TEST_F(ClickTest, GroupTileClicksSaveAllNamesAndRefreshTheTiles) {
    start("[General]\r\nGroup3=Old\r\n");
    window = rig.window.get();
    window->hScroll()->setValue(2);
    {
        Answer<EditierenGroup> answer([](EditierenGroup& d) {
            EXPECT_EQ(d.EditIndex, 11);
            d.textGroupName()->setUnicodeText("Palletising");
            d.commandOK()->click();
        });
        QTest::mouseClick(window->groupTile(3), Qt::LeftButton);
    }
    EXPECT_EQ(window->groupTile(3)->groupName(), "Palletising");
    // The existing key is replaced where it stands; the others follow it in order.
    QByteArray groups = "Group3=Old\r\n";
    for (int g = 0; g < 32; ++g)
        if (g != 3) groups += "Group" + QByteArray::number(g) + "=" + (g == 11 ? "Palletising" : "") + "\r\n";
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), "[General]\r\n" + groups);

    station->CommandTab_Click();
    {
        Answer<EditierenGroupT> answer([](EditierenGroupT& d) { d.commandOK()->click(); });
        QTest::mouseClick(window->groupTile(0), Qt::LeftButton);
    }
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), "[General]\r\n" + groups); // rewritten, the same
    // A machine tile in table mode opens the machine table; Cancel writes nothing.
    {
        Answer<EditierenT> answer([](EditierenT& d) { d.commandCancel()->click(); });
        QTest::mouseClick(window->machineTile(0), Qt::LeftButton);
    }
    EXPECT_EQ(window->machineTableEditor().EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), "[General]\r\n" + groups);
}

TEST_F(ClickTest, OutsideEditModeAClickOpensNothing) {
    StationRig plain;
    Station& s = plain.start("[General]\r\nLogDebug=true\r\nLogSystem=true\r\n");
    editors::ModalDialog::setAnswer([](editors::ModalDialog& d) {
        ADD_FAILURE() << "opened " << d.objectName().toStdString();
        d.reject();
    });
    QTest::mouseClick(plain.window->machineTile(0), Qt::LeftButton);
    QTest::mouseClick(plain.window->groupTile(0), Qt::LeftButton);
    editors::ModalDialog::setAnswer({});
    EXPECT_TRUE(s.Connected());
}

TEST_F(ClickTest, AFailedSaveKeepsTheEditAndSaysSoInTheLog) {
    start("[General]\r\nLogSystem=true\r\n");
    window = rig.window.get();
    FakeOs full;
    full.failWrites = true;
    platform::ScopedOs scoped(full);
    {
        Answer<EditierenGroup> answer([](EditierenGroup& d) {
            d.textGroupName()->setUnicodeText("Kept");
            d.commandOK()->click();
        });
        QTest::mouseClick(window->groupTile(0), Qt::LeftButton);
    }
    EXPECT_EQ(station->layout().groupName(0), "Kept");
    EXPECT_EQ(window->groupTile(0)->groupName(), "Kept");
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), "[General]\r\nLogSystem=true\r\n");
    const QStringList lines = testutil::logLines(rig.logPath());
    EXPECT_EQ(lines.filter(" # Settings not saved: " + rig.paths.settingsFile() + ": writing: No space left on device")
                  .size(),
              1);
}
