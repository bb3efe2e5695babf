// The tiles' context menu: a right click, the Menu key, Shift+F10 and a press held still open it
// for the tile's slot or group in every mode; its entries open the one History window and the
// Settings versions window, and a restore there refreshes the tiles.
#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/MainWindow.h"
#include "records/HistoryWindow.h"
#include "records/VersionsWindow.h"

#include "base/Settings.h"

#include "WindowRig.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

using namespace display;

namespace {
// The window scrolled to position 2: machine tile 5 shows slot 21, group tile 3 shows group 11.
struct TileMenuTest : ::testing::Test {
    WindowRig rig;
    VelkoZuraVeradadClient& window =
        rig.start("[General]\r\nGroup11=Wrapping\r\n[Ma21]\r\nText=Filler 2\r\nEnabled=true\r\nGroup=11\r\n");
    TileMenuTest() {
        window.hScroll()->setValue(2);
        window.show();
    }
    QStringList entries() const {
        QStringList out;
        for (const QAction* a : window.tileMenu()->actions())
            if (!a->isSeparator()) out << a->text();
        return out;
    }
    // Opens the menu of a tile and chooses the entry of that text.
    void choose(bool group, int tile, const QString& text) {
        window.showTileMenu(group, tile, QPoint(0, 0));
        for (QAction* a : window.tileMenu()->actions())
            if (a->text() == text) return a->trigger();
        ADD_FAILURE() << "no entry " << text.toStdString();
    }
};
} // namespace

TEST_F(TileMenuTest, EveryWayOfAskingOpensTheMenuOfThatTile) {
    LineModul* tile = window.machineTile(5);
    QSignalSpy clicks(tile, &Tile::Click);
    // A right click reaches a widget as a context-menu event of the mouse, as the window system sends it.
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(10, 10), tile->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(tile, &rightClick);
    ASSERT_NE(window.tileMenu(), nullptr);
    EXPECT_TRUE(window.tileMenu()->isVisible());
    EXPECT_EQ(entries(), (QStringList{"History of Filler 2\u2026", "Line history\u2026", "Settings versions\u2026"}));
    window.tileMenu()->close();

    // The keyboard: the Menu key and Shift+F10 on the tile with the focus.
    QTest::keyClick(tile, Qt::Key_Menu);
    EXPECT_TRUE(window.tileMenu()->isVisible());
    window.tileMenu()->close();
    QTest::keyClick(window.groupTile(3), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(entries().value(0), "History of group Wrapping\u2026");
    window.tileMenu()->close();

    // A press held still opens the menu, and its release is no click; a short press stays a click.
    QTest::mousePress(tile, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::qWait(Tile::HoldMs + 200);
    EXPECT_TRUE(window.tileMenu()->isVisible());
    EXPECT_EQ(entries().value(0), "History of Filler 2\u2026");
    QTest::mouseRelease(tile, Qt::LeftButton, {}, QPoint(20, 20));
    window.tileMenu()->close();
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(tile, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(TileMenuTest, ItsEntriesOpenTheOneHistoryWindowInEveryMode) {
    for (bool editing : {false, true}) {
        if (editing) {
            rig.station->CommandStart_Click();
            rig.station->CommandEdit_Click();
        }
        choose(false, 5, "History of Filler 2\u2026");
        records::HistoryWindow& history = window.historyWindow();
        EXPECT_TRUE(history.isVisible());
        EXPECT_EQ(history.filter().machine, records::MachineChoice::machine(21));
        choose(true, 3, "History of group Wrapping\u2026");
        EXPECT_EQ(&window.historyWindow(), &history);
        EXPECT_EQ(history.filter().machine, records::MachineChoice::group(11));
        choose(true, 3, "Line history\u2026");
        EXPECT_EQ(history.filter().machine, records::MachineChoice::line());
        history.close();
    }
}

TEST_F(TileMenuTest, ARestoreFromTheVersionsWindowShowsOnTheTiles) {
    station::Station& station = *rig.station;
    choose(false, 5, "Settings versions\u2026");
    records::VersionsWindow& versions = window.versionsWindow();
    ASSERT_TRUE(testutil::waitFor([&] { return versions.list()->topLevelItemCount() == 1; }));
    const qint64 start = versions.versions()[0].id;
    EXPECT_FALSE(versions.restoreButton()->isEnabled()) << "not in edit mode";

    // Renamed through the station's save, as the machine editor's OK does.
    station.CommandStart_Click();
    station.CommandEdit_Click();
    EXPECT_TRUE(testutil::waitFor([&] { return versions.restoreButton()->isEnabled(); }));
    station.layout().Machines[21].Text = QStringLiteral("Renamed");
    station.saveMachine(21, QStringLiteral("Edit Maschine"));
    EXPECT_EQ(window.machineTile(5)->machineName(), "Renamed");

    versions.showVersions();
    ASSERT_TRUE(testutil::waitFor([&] { return versions.versions().size() == 2; }));
    versions.select(start);
    ASSERT_TRUE(testutil::waitFor([&] { return versions.changesText().contains("Filler 2"); }));
    // Restore…, and Yes to the question that lists the change.
    QString question;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    QSignalSpy restored(&versions, &records::VersionsWindow::restored);
    versions.restoreButton()->click();
    EXPECT_TRUE(question.contains("Ma21 (Filler 2): Text Renamed → Filler 2")) << question.toStdString();
    EXPECT_EQ(restored.count(), 1);
    EXPECT_EQ(window.machineTile(5)->machineName(), "Filler 2");
    EXPECT_EQ(base::IniReadString("Ma21", "Text", rig.paths.settingsFile()), "Filler 2");
    ASSERT_TRUE(testutil::waitFor([&] { return versions.versions().size() == 3; }));
    EXPECT_EQ(versions.list()->topLevelItem(0)->text(2), QStringLiteral("restore of version %1").arg(start));
}
