#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/TileStyle.h"

#include <gtest/gtest.h>

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
    QSignalSpy spy(&tile, &LineModul::Click);
    QTest::mouseClick(&tile, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 17);
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
