#include "editors/SymbolAuswahl.h"
#include "editors/SymbolCatalog.h"

#include "DialogAnswer.h"
#include "TestUtil.h"

#include <sys/stat.h>

using namespace editors;

namespace {
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
