// The configuration dialogs: the machine editor, the group name and group table dialogs, the
// language choice, the symbol picker with its catalog of files, and what every opening of any of
// them has.
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/EditierenT.h"
#include "editors/MachineForm.h"
#include "editors/SymbolAuswahl.h"
#include "editors/SymbolCatalog.h"
#include "editors/UnicodeTextBox.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include "DialogAnswer.h"

#include <QInputMethodEvent>

#include <sys/stat.h>

using namespace base;
using namespace editors;
using namespace lang;

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

LanguageTable languages(std::initializer_list<std::pair<int32_t, const char*>> entries) {
    LanguageTable t;
    for (const auto& [lcId, name] : entries) {
        LanguageRecord& e = t.Languages[static_cast<size_t>(++t.LanguageCount)];
        e.LcId = lcId;
        e.Name = QString::fromUtf8(name);
    }
    return t;
}

struct SymbolFolder {
    QTemporaryDir dir;
    QString folder = dir.filePath("machinesymbols"); // the folder's case does not matter
    SymbolFolder() { QDir().mkpath(folder); }
    void add(const QString& name, int width = 40, int height = 30) {
        testutil::writeGif(folder + "/" + name, width, height);
    }
    void addNumbers(std::initializer_list<int> numbers) {
        for (int n : numbers) add(QStringLiteral("MachineSymbol_%1_800.gif").arg(n), 10 + n % 50, 10);
    }
    QList<int> numbers(const SymbolCatalog& c) const {
        QList<int> out;
        for (int k = 0; k < c.count(); ++k) out << c.number(k);
        return out;
    }
};
} // namespace

TEST(MachineForm, ListMappingsAtTheEndsOfTheirRanges) {
    using namespace machine_form;
    // The group entries' texts are the editor test's below.
    EXPECT_EQ(groupEntries(LineLayout()).size(), 33);
    EXPECT_EQ(machineNumberEntries(), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    // Stored value and list position, both ways; a value without an entry has position -1, and no
    // selected entry keeps the stored value.
    const std::tuple<bool, int16_t, int> cases[] = {
        {false, 1, 0}, {false, 10, 9}, {false, 0, -1}, {false, 11, -1}, {true, -1, 0},
        {true, 0, 1},  {true, 31, 32}, {true, 32, -1}, {true, -2, -1},  {true, 99, -1},
    };
    for (const auto& [group, value, position] : cases) {
        EXPECT_EQ(group ? positionForGroup(value) : positionForMachine(value), position) << group << " " << value;
        const int16_t stored = position < 0 ? value : 7;
        EXPECT_EQ(group ? groupForPosition(position, stored) : machineForPosition(position, stored), value) << value;
    }
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
    editAnswered(editor, [&](Editieren& d) {
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
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedUnchanged);
    EXPECT_EQ(m, before);

    EXPECT_EQ(editAnswered(editor,
                           [](Editieren& d) {
                               d.textComputerName()->setText("10.0.0.99");
                               d.commandCancel()->click();
                           }),
              DialogResult::Cancelled);
    EXPECT_EQ(m, before);

    // Only a change of case, a list choice and the Enabled box: all stored with result 1.
    editAnswered(editor, [&](Editieren& d) {
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
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(m.Text, Names[0].toLower());
    EXPECT_EQ(m.Machine, 1);
    EXPECT_EQ(m.Group, 2);
    EXPECT_FALSE(m.Enabled);
    EXPECT_EQ(m.Address, "10.0.0.21");
    EXPECT_EQ(m.VisuGroup, before.VisuGroup);

    // A group outside the list shows its number and is kept.
    m.Group = 99;
    editAnswered(editor, [&](Editieren& d) {
        EXPECT_EQ(d.comboGruppe()->currentIndex(), -1);
        EXPECT_EQ(d.comboGruppe()->placeholderText(), "99");
        d.commandOK()->click();
    });
    EXPECT_EQ(editor.EditErgebnis, DialogResult::ConfirmedUnchanged);
    EXPECT_EQ(m.Group, 99);
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

TEST_F(EditorTest, GroupNameDialogStoresAChangedNameOnly) {
    layout.setGroupName(11, "Filling");
    EditierenGroup dialog(layout, settings, nullptr);
    dialog.EditIndex = 11;
    // The name typed (null: none), whether OK confirms, the result and the name stored.
    struct Case {
        const QString* typed;
        bool ok;
        DialogResult result;
        QString stored;
    };
    const QString lower = QStringLiteral("filling"), changed = QStringLiteral("changed");
    std::vector<Case> cases = {{nullptr, true, DialogResult::ConfirmedUnchanged, "Filling"},
                               {&lower, true, DialogResult::ConfirmedChanged, "filling"},
                               {&changed, false, DialogResult::Cancelled, "filling"}};
    for (const QString& name : Names) cases.push_back({&name, true, DialogResult::ConfirmedChanged, name});
    for (const Case& c : cases) {
        Answer<EditierenGroup> answer([&](EditierenGroup& d) {
            EXPECT_EQ(d.textGroupName()->UnicodeText(), layout.groupName(11)); // loaded at every opening
            if (c.typed) d.textGroupName()->setUnicodeText(*c.typed);
            QTest::keyClick(d.textGroupName(), Qt::Key_Return); // Enter in the box does nothing
            if (c.ok)
                d.commandOK()->click();
            else
                d.reject();
        });
        dialog.edit();
        EXPECT_EQ(dialog.EditErgebnis, c.result);
        EXPECT_EQ(layout.groupName(11), c.stored);
    }
}

TEST_F(EditorTest, GroupTableKeepsEveryEditAcrossScrolling) {
    for (int g = 0; g < 32; ++g) layout.setGroupName(g, QStringLiteral("G%1").arg(g));
    EditierenGroupT table(layout, settings, nullptr);
    editAnswered(table, [&](EditierenGroupT& d) {
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
    EXPECT_EQ(table.EditErgebnis, DialogResult::Cancelled);
    EXPECT_EQ(layout.groupName(10), "G10");
    editAnswered(table, [&](EditierenGroupT& d) {
        EXPECT_EQ(d.textGroupName(10)->UnicodeText(), "G10"); // a fresh copy at every opening
        EXPECT_EQ(d.vScroll()->value(), 0);
        d.vScroll()->setValue(2);
        d.textGroupName(15)->setUnicodeText(QString());
        d.commandOK()->click();
    });
    EXPECT_EQ(table.EditErgebnis, DialogResult::ConfirmedChanged);
    EXPECT_EQ(layout.groupName(31), "");
    EXPECT_EQ(layout.groupName(30), "G30");
}

TEST(EditierenLang, PreselectsTheCurrentLanguageElseEnglishElseNothing) {
    const LanguageTable t = languages({{1031, "Deutsch"}, {1033, "English"}, {1049, "Русский"}, {1049, "Again"}});
    EditierenLang current(t, 1049, false);
    EXPECT_EQ(current.windowTitle(), "Choose Language");
    EXPECT_EQ(current.size(), QSize(294, 595));
    ASSERT_EQ(current.list()->count(), 4);
    EXPECT_EQ(current.list()->item(2)->text(), "Русский");
    EXPECT_EQ(current.list()->currentRow(), 2);
    EditierenLang fallback(t, 1036, false);
    EXPECT_EQ(fallback.list()->currentRow(), 1);
    const LanguageTable noEnglish = languages({{1031, "Deutsch"}});
    EditierenLang none(noEnglish, 1036, false);
    EXPECT_TRUE(none.list()->selectedItems().isEmpty());
}

TEST(EditierenLang, OkGivesTheChosenEntryAndEverythingElseGivesZero) {
    const LanguageTable two = languages({{1031, "Deutsch"}, {1033, "English"}});
    const LanguageTable noEnglish = languages({{1031, "Deutsch"}});
    const LanguageTable none;
    struct Case {
        const LanguageTable& table;
        int32_t current, row; // row -1: the preselection stays
        bool ok;
        int16_t result;
    };
    const Case cases[] = {
        {two, 1033, 0, true, 1},        {two, 1033, -1, true, 2},  {two, 1033, 0, false, 0},
        {noEnglish, 1036, -1, true, 0}, {none, 1033, -1, true, 0},
    };
    for (const Case& c : cases) {
        EditierenLang dialog(c.table, c.current, false);
        Answer<EditierenLang> answer([&](EditierenLang& d) {
            if (c.row >= 0) d.list()->setCurrentRow(c.row);
            (c.ok ? d.commandOK() : d.commandCancel())->click();
        });
        dialog.run();
        EXPECT_EQ(dialog.LangErgebnis, c.result) << c.table.LanguageCount << " " << c.row << " " << c.ok;
    }
}

TEST(SymbolCatalog, NumbersFromNamesAndTheirLimits) {
    const std::pair<const char*, std::optional<int16_t>> cases[] = {
        {"MachineSymbol_12_800.gif", 12},
        {"MachineSymbol_5.gif", 5}, // no second "_": up to the end
        {"MachineSymbol_x_800.gif", 0},
        {"MachineSymbol_-3_800.gif", -3},
        {"MachineSymbol_32767_800.gif", 32767},
        {"MachineSymbol_-32768_800.gif", -32768},
        {"MachineSymbol_32768_800.gif", std::nullopt},
        {"MachineSymbol_-32769_800.gif", std::nullopt},
        {"MachineSymbol_99999999999999999999_800.gif", std::nullopt},
    };
    for (const auto& [name, number] : cases) EXPECT_EQ(SymbolCatalog::numberFromName(name), number) << name;
}

TEST(SymbolCatalog, ListsMatchingPlainFilesInNumberOrder) {
    SymbolFolder f;
    f.addNumbers({12, 3, 100});
    f.add("MACHINESYMBOL_5_400.GIF");
    f.add("MachineSymbol_5_800.gif");
    f.add("MachineSymbol_70000_800.gif"); // does not fit: skipped
    f.add("Other_1_800.gif");
    f.add("MachineSymbol_7_800.png");
    QDir().mkpath(f.folder + "/MachineSymbol_8_800.gif"); // a folder, not a plain file
    ASSERT_EQ(::mkfifo(QFile::encodeName(f.folder + "/MachineSymbol_9_800.gif").constData(), 0600), 0);
    const SymbolCatalog c = SymbolCatalog::list(f.dir.path());
    EXPECT_EQ(f.numbers(c), (QList<int>{3, 5, 5, 12, 100}));
    EXPECT_EQ(c.file(5), QString());
    EXPECT_EQ(c.number(99), 0);
    EXPECT_EQ(c.fallback(), QString()); // no file for symbol 0

    // The exchange sort does not keep equal numbers in the order of their names: by name the
    // files are 10_1024, 10_800, 9_800; they are offered as 9, 10_800, 10_1024.
    SymbolFolder equal;
    equal.add("MachineSymbol_10_1024.gif");
    equal.add("MachineSymbol_10_800.gif");
    equal.add("MachineSymbol_9_800.gif");
    const SymbolCatalog e = SymbolCatalog::list(equal.dir.path());
    ASSERT_EQ(equal.numbers(e), (QList<int>{9, 10, 10}));
    EXPECT_TRUE(e.file(1).endsWith("MachineSymbol_10_800.gif"));
    EXPECT_TRUE(e.file(2).endsWith("MachineSymbol_10_1024.gif"));
}

TEST(SymbolCatalog, ScrollRangeAndCapacity) {
    for (const auto& [files, maximum] : {std::pair{0, 0}, {16, 0}, {20, 0}, {21, 1}, {100, 20}, {130, 20}}) {
        SymbolFolder f;
        for (int n = 1; n <= files; ++n) f.add(QStringLiteral("MachineSymbol_%1_800.gif").arg(n), 4, 4);
        const SymbolCatalog c = SymbolCatalog::list(f.dir.path());
        EXPECT_EQ(c.count(), std::min(files, 100)) << files;
        EXPECT_EQ(c.scrollMaximum(), maximum) << files;
    }
}

TEST(SymbolAuswahl, MarksScrollsAndChoosesOnlyAClickedNumber) {
    SymbolFolder f;
    for (int n = 1; n <= 21; ++n) f.add(QStringLiteral("MachineSymbol_%1_800.gif").arg(n), 10 + n, 20);
    f.add("MachineSymbol_0_800.gif", 7, 7); // the fallback picture
    SymbolAuswahl picker(f.dir.path(), false);
    EXPECT_EQ(picker.windowTitle(), "Symbol");
    picker.SymbolNr = 3;
    bool okEnabledAtFirst = true;
    {
        Answer<SymbolAuswahl> answer([&](SymbolAuswahl& d) {
            okEnabledAtFirst = d.commandOK()->isEnabled();
            // The file of symbol 3 is listed after symbol 0 (the fallback file itself), 1 and 2.
            EXPECT_TRUE(d.place(3)->marked());
            EXPECT_FALSE(d.place(2)->marked());
            EXPECT_EQ(d.scroll()->maximum(), 1);
            d.scroll()->setValue(1); // the last row of files at the bottom
            EXPECT_EQ(d.ErsteZeile, 1);
            EXPECT_EQ(d.place(0)->picture().width(), 10 + 4); // position 4: symbol 4
            EXPECT_EQ(d.place(17)->picture().width(), 10 + 21);
            EXPECT_EQ(d.place(18)->picture().size(), QSize(7, 7)); // beyond the files: the fallback
            EXPECT_EQ(d.place(19)->picture().size(), QSize(7, 7));
            d.place(19)->clicked(19); // an empty place chooses 0
            EXPECT_EQ(d.SymbolNr, 0);
            EXPECT_TRUE(d.place(18)->marked());
            EXPECT_TRUE(d.place(19)->marked());
            d.place(1)->clicked(1);
            EXPECT_EQ(d.SymbolNr, 5);
            EXPECT_FALSE(d.place(19)->marked());
            d.commandOK()->click();
        });
        picker.pick();
    }
    EXPECT_FALSE(okEnabledAtFirst);
    EXPECT_EQ(picker.SymbolErgebnis, 1);
    EXPECT_EQ(picker.SymbolNr, 5);

    // A symbol added while the program runs shows at the next opening; Cancel gives 0.
    f.add("MachineSymbol_2_555.gif", 55, 5);
    {
        Answer<SymbolAuswahl> answer([](SymbolAuswahl& d) {
            EXPECT_EQ(d.catalog().count(), 23);
            EXPECT_EQ(d.place(2)->picture().width(), 55);
            EXPECT_EQ(d.catalog().number(3), 2);
            d.place(2)->clicked(2);
            d.reject(); // Esc or the title bar
        });
        picker.pick();
    }
    EXPECT_EQ(picker.SymbolErgebnis, 0);
}
