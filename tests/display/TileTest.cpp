#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/TileStyle.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

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
} // namespace

TEST(LineModul, RepaintsOnlyWhenAShownValueChanges) {
    // Paints of a shown tile are counted as they reach it.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    LineModul tile(0, nullptr);
    tile.resize(264, 57);
    tile.show();
    QCoreApplication::processEvents();
    tile.installEventFilter(&counter);
    tile.setMachineName("Filler");
    tile.setStatus(3);
    tile.setConnectionState(ShownConnection::Connected);
    QCoreApplication::processEvents();
    EXPECT_GE(counter.paints, 1); // changes are painted, together
    const int after = counter.paints;
    tile.setMachineName("Filler");
    tile.setStatus(3);
    tile.setConnectionState(ShownConnection::Connected);
    tile.setNewMachine(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, after); // the same values again paint nothing
}

TEST(LineModul, UrgentStatesAreColouredAndCalmStatesAreGrey) {
    LineModul tile(0, nullptr);
    tile.resize(264, 57);
    tile.setMachineEnabled(true);
    tile.setOnline(true);
    tile.setDisplayMode(DisplayMode::Operating);
    tile.setMachineName("Labeller");
    tile.setStatusText("Fault");
    const QColor red = tile_style::lookFor(5).band;
    const QColor yellow = tile_style::lookFor(3).band;
    tile.setStatus(1);
    QImage calm = render(tile);
    EXPECT_EQ(countNear(calm, red), 0);
    EXPECT_EQ(countNear(calm, yellow), 0);
    tile.setStatus(5);
    EXPECT_GT(countNear(render(tile), red), 400); // band, frame and text chip
    tile.setStatus(3);
    EXPECT_GT(countNear(render(tile), yellow), 150);
    // Not online: the same tile is washed out, so no full-strength red remains.
    tile.setStatus(5);
    tile.setOnline(false);
    EXPECT_EQ(countNear(render(tile), red, 6), 0);
    // Edit mode shows no status colour at all.
    tile.setOnline(true);
    tile.setDisplayMode(DisplayMode::Edit);
    EXPECT_EQ(countNear(render(tile), red), 0);
}

TEST(LineModul, EveryCombinationShowsWhatItMeansAndClickReportsTheIndex) {
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
                    const std::string what = "status " + std::to_string(status) + " connection " +
                                             std::to_string(conn) + " enabled " + std::to_string(enabled) + " mode " +
                                             std::to_string(static_cast<int>(mode));
                    // Edit mode paints its own surface whatever the rest; an unused slot its flat grey;
                    // an operating machine shows its status's band colour (unknown codes as normal).
                    if (mode == DisplayMode::Edit) {
                        EXPECT_GT(countNear(image, tile_style::EditSurface, 3), 3000) << what;
                    } else if (!enabled) {
                        EXPECT_GT(countNear(image, tile_style::UnusedSurface, 3), 3000) << what;
                    } else {
                        const QColor band = tile_style::lookFor(status).band;
                        EXPECT_GT(countNear(image, band, 3), 150) << what;
                        EXPECT_EQ(countNear(image, tile_style::EditSurface, 3), 0) << what;
                    }
                }
    QSignalSpy spy(&tile, &LineModul::Click);
    QTest::mouseClick(&tile, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 17);
}

TEST(LineModul, SymbolPicturesComeFromGifFilesOnly) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("machinesymbols");
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::blue);
    // Qt cannot write GIF; a hand-made 1x1 GIF stands in for a real symbol.
    const QByteArray gif =
        QByteArray::fromHex("47494638396101000100800000ff000000000021f90401000000002c00000000010001000002024401003b");
    testutil::writeBytes(dir.filePath("machinesymbols/machinesymbol_4_800.GIF"), gif);
    ASSERT_TRUE(image.save(dir.filePath("machinesymbols/MachineSymbol_5_800.gif"), "PNG"));
    testutil::writeBytes(dir.filePath("machinesymbols/MachineSymbol_6_800.gif"), QByteArray(5000, '\x47'));
    ui::SymbolImages symbols(dir.path());
    EXPECT_FALSE(symbols.picture(4).isNull());
    EXPECT_TRUE(symbols.picture(5).isNull()); // a PNG named .gif is no GIF
    EXPECT_TRUE(symbols.picture(6).isNull());
    EXPECT_TRUE(symbols.picture(7).isNull());
    LineModul tile(0, &symbols);
    tile.resize(264, 57);
    tile.setMachineEnabled(true);
    for (int16_t s : {int16_t(4), int16_t(5), int16_t(6), int16_t(-1)}) {
        tile.setSymbol(s);
        EXPECT_FALSE(render(tile).isNull());
    }
}

TEST(GroupModul, ShowsNameAndStatusAndRaisesClick) {
    GroupModul tile(9, nullptr);
    tile.resize(132, 24);
    tile.setGroupName("Packing");
    tile.setStatus(5);
    EXPECT_GT(countNear(render(tile), tile_style::lookFor(5).band), 50);
    tile.setStatus(1);
    EXPECT_EQ(countNear(render(tile), tile_style::lookFor(5).band), 0);
    QSignalSpy spy(&tile, &GroupModul::Click);
    QTest::mouseClick(&tile, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 9);
}

TEST(TileFonts, StatusTextTakesAFontForItsLocalesScript) {
    EXPECT_EQ(ui::writingSystemForLcId(1049), QFontDatabase::Cyrillic);
    EXPECT_EQ(ui::writingSystemForLcId(1032), QFontDatabase::Greek);
    EXPECT_EQ(ui::writingSystemForLcId(2052), QFontDatabase::SimplifiedChinese);
    EXPECT_EQ(ui::writingSystemForLcId(1028), QFontDatabase::TraditionalChinese);
    EXPECT_EQ(ui::writingSystemForLcId(1033), QFontDatabase::Latin);
    EXPECT_EQ(ui::familiesForLcId("Tahoma", 1033), QStringList{"Tahoma"});
    EXPECT_EQ(ui::familiesForLcId("Tahoma", 1049).first(), "Tahoma");
    // A named family that is missing falls to its stand-in, never to the script's first family
    // (on Latin that is a mathematics face), for the dialog font and the name boxes alike.
    ui::setUpDialogFont("Arial Unicode MS", 0);
    EXPECT_EQ(QFontInfo(ui::dialogFont()).family(), "Liberation Sans");
    ui::setUpDialogFont("Arial", 204);
    EXPECT_EQ(QFontInfo(ui::dialogFont()).family(), "Liberation Sans");
    EXPECT_EQ(ui::familiesForLcId("Arial", 1049).mid(0, 2).join(",").toLower(), "arial,liberation sans");
}
