// The tiles: the look of each status, connection and mode, their clicks, and their context menu
// (a right click, the Menu key, Shift+F10 and a press held still open it for the tile's slot or
// group in every mode; its entries open the one History window and the Settings versions window,
// and a restore there refreshes the tiles).
#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/MainWindow.h"
#include "display/TileStyle.h"
#include "records/HistoryWindow.h"
#include "records/VersionsWindow.h"
#include "ui/SymbolImages.h"

#include "TestUtil.h"
#include "WindowRig.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPixmapCache>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

using namespace base;
using namespace display;

namespace {
QImage render(QWidget& w) { return w.grab().toImage(); }

int countNear(const QImage& image, QColor colour, int tolerance = 12) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return n;
}

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

// Calm states share the neutral band, each state that needs attention has a colour of its own;
// the more urgent ones carry a chip behind their text, the most urgent frame the whole tile.
TEST(TileStyle, EachStatusHasItsLookAndEachConnectionItsLabel) {
    using namespace machine_status;
    for (int16_t calm : {Off, Normal, int16_t(7), int16_t(-3)}) {
        EXPECT_EQ(tile_style::lookFor(calm).band, tile_style::Neutral) << calm;
        EXPECT_FALSE(tile_style::lookFor(calm).chip.isValid()) << calm;
    }
    const int16_t attention[] = {Info, Notice, Warning, Fault, Disconnected};
    for (int16_t a : attention) {
        EXPECT_NE(tile_style::lookFor(a).band, tile_style::Neutral) << a;
        for (int16_t b : attention)
            if (a != b) {
                EXPECT_NE(tile_style::lookFor(a).band, tile_style::lookFor(b).band) << a << " " << b;
            }
        EXPECT_EQ(tile_style::lookFor(a).chip.isValid(), a == Warning || a == Fault || a == Disconnected) << a;
        EXPECT_EQ(tile_style::lookFor(a).alarm, a == Fault || a == Disconnected) << a;
    }
    EXPECT_EQ(tile_style::connectionLabel(ShownConnection::Connected), "LINK");
    EXPECT_EQ(tile_style::connectionLabel(ShownConnection::Waiting), "WAIT");
    EXPECT_EQ(tile_style::connectionLabel(ShownConnection::NotConnected), "OFF");
}

// A tile's click with its index is the window tests': a click on a tile opens its slot's dialog.
TEST(LineModul, EveryCombinationShowsWhatItMeans) {
    LineModul tile(17, nullptr);
    tile.resize(264, 57);
    tile.setOnline(true);
    for (int16_t status : {int16_t(0), int16_t(1), int16_t(2), int16_t(3), int16_t(4), int16_t(5), int16_t(6),
                           int16_t(-3), int16_t(999)})
        for (int16_t conn : {int16_t(0), int16_t(1), int16_t(2), int16_t(7)})
            for (bool enabled : {false, true})
                for (DisplayMode mode : {DisplayMode::Edit, DisplayMode::Operating}) {
                    tile.setStatus(status);
                    tile.setConnectionState(static_cast<ShownConnection>(conn));
                    tile.setMachineEnabled(enabled);
                    tile.setDisplayMode(mode);
                    const QImage image = render(tile);
                    SCOPED_TRACE(::testing::Message() << "status " << status << " connection " << conn << " enabled "
                                                      << enabled << " mode " << static_cast<int>(mode));
                    // Edit mode paints its own surface whatever the rest; an unused slot its flat grey;
                    // an operating machine shows its status's band colour (unknown codes as normal).
                    if (mode == DisplayMode::Edit) {
                        EXPECT_GT(countNear(image, tile_style::EditSurface, 3), 3000);
                    } else if (!enabled) {
                        EXPECT_GT(countNear(image, tile_style::UnusedSurface, 3), 3000);
                    } else {
                        const QColor band = tile_style::lookFor(status).band;
                        EXPECT_GT(countNear(image, band, 3), 150);
                        EXPECT_EQ(countNear(image, tile_style::EditSurface, 3), 0);
                    }
                }
    // Not online: the same tile is washed out, so no full-strength colour remains.
    tile.setDisplayMode(DisplayMode::Operating);
    tile.setStatus(5);
    tile.setOnline(false);
    EXPECT_EQ(countNear(render(tile), tile_style::lookFor(5).band, 6), 0);
}

// A tile keeps its laid-out texts and pictures from paint to paint: after each change, however
// small, it paints exactly what a new tile in the same state paints.
TEST(LineModul, AfterEachChangeItPaintsWhatANewTileInThatStatePaints) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("MachineSymbols"));
    testutil::writeGif(dir.filePath("MachineSymbols/MachineSymbol_1_800.gif"), 40, 30);
    testutil::writeGif(dir.filePath("MachineSymbols/MachineSymbol_2_800.gif"), 12, 40);
    ui::SymbolImages symbols(dir.path());
    struct State {
        QString name = "Filler";
        QString text = "Running";
        int16_t symbol = 1;
        int16_t status = machine_status::Normal;
        ShownConnection connection = ShownConnection::Connected;
        QSize size{264, 57};
        QString fontName;
        int32_t lcId = 1033;
        DisplayMode mode = DisplayMode::Operating;
        QString widgetFont;
    };
    const auto apply = [](LineModul& tile, const State& s) {
        if (!s.widgetFont.isEmpty()) tile.setFont(QFont(s.widgetFont));
        tile.resize(s.size);
        tile.setMachineEnabled(true);
        tile.setOnline(true);
        tile.setMachineName(s.name);
        tile.setStatusText(s.text);
        tile.setSymbol(s.symbol);
        tile.setStatus(s.status);
        tile.setConnectionState(s.connection);
        tile.setFontName(s.fontName);
        tile.setLcId(s.lcId);
        tile.setStatusLcId(s.lcId);
        tile.setDisplayMode(s.mode);
    };
    std::vector<std::tuple<const char*, State, bool>> steps; // what changed, to what, whether it shows
    State s;
    const auto add = [&](const char* what, bool seen = true) { steps.emplace_back(what, s, seen); };
    add("first paint");
    s.name = "Fill level inspection and reject station";
    add("longer name, elided");
    s.text = "Reel change due";
    s.status = machine_status::Warning;
    add("status text on a chip");
    s.status = machine_status::Fault;
    add("fault: wide band and frame");
    s.symbol = 2;
    add("another symbol");
    s.symbol = 99;
    add("a symbol without a picture");
    s.connection = ShownConnection::Waiting;
    add("waiting");
    s.size = QSize(330, 80);
    add("larger tile");
    s.widgetFont = "DejaVu Serif";
    add("the widget's font");
    s.fontName = "DejaVu Sans Mono";
    add("a font name of its own");
    s.widgetFont = "DejaVu Sans";
    add("the widget's font beside it"); // the connection label's
    s.lcId = 1049;
    add("another language", false);
    s.name = QString::fromUtf8("Наполнитель");
    add("a name in it");
    s.mode = DisplayMode::Edit;
    add("edit mode");
    s.mode = DisplayMode::Operating;
    s.symbol = 1;
    s.status = machine_status::Normal;
    add("back to operating");

    LineModul kept(3, &symbols);
    QImage previous;
    for (const auto& [what, state, seen] : steps) {
        apply(kept, state);
        const QImage shown = render(kept);
        // The new tile draws everything afresh: nothing it draws comes from the kept tile's pictures.
        QPixmapCache::clear();
        LineModul fresh(3, &symbols);
        apply(fresh, state);
        EXPECT_TRUE(shown == render(fresh)) << what << ": not what a new tile paints";
        EXPECT_TRUE(!seen || shown != previous) << what << ": the change is not seen";
        previous = shown;
    }
}

// Names and status texts are shown as they are, never read as markup.
TEST(LineModul, ShowsNamesAsTheyAre) {
    // Read as markup, "<p></p>" would show nothing at all, like an empty name.
    const auto named = [](const QString& name) {
        LineModul tile(0, nullptr);
        tile.resize(264, 57);
        tile.setMachineEnabled(true);
        tile.setMachineName(name);
        return render(tile);
    };
    EXPECT_TRUE(named("") != named("<p></p>"));
}

TEST(GroupModul, ShowsItsStatus) {
    GroupModul tile(9, nullptr);
    tile.resize(132, 24);
    tile.setStatus(5);
    EXPECT_GT(countNear(render(tile), tile_style::lookFor(5).band), 50);
    tile.setStatus(1);
    EXPECT_EQ(countNear(render(tile), tile_style::lookFor(5).band), 0);
}

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
    ASSERT_TRUE(testutil::waitFor([&] { return versions.versions().size() == 3; }));
    EXPECT_EQ(versions.list()->topLevelItem(0)->text(2), QStringLiteral("restore of version %1").arg(start));
}
