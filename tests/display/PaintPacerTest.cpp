#include "display/LineModul.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

using namespace base;
using namespace display;

namespace {
// A machine tile that counts its paints.
struct CountedTile : LineModul {
    int paints = 0;
    CountedTile() : LineModul(0, nullptr, nullptr) {
        setMachineEnabled(true);
        resize(200, 57);
    }
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        LineModul::paintEvent(event);
    }
};

void turnUntil(const std::function<bool()>& done, int ms = 1000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QTest::qWait(1);
}
} // namespace

// A change after a quiet frame paints at the next turn of the event loop; the changes that
// follow within the frame are painted together at its end, each tile with its last state.
TEST(PaintPacer, AQuietTilePaintsAtOnceABurstOncePerFrameWithTheLastState) {
    CountedTile a, b;
    a.show();
    b.show();
    turnUntil([&] { return a.paints > 0 && b.paints > 0; });
    QTest::qWait(2 * PaintPacer::FrameMs);
    const int aBefore = a.paints, bBefore = b.paints;

    a.setStatus(machine_status::Fault);
    QCoreApplication::processEvents();
    EXPECT_EQ(a.paints, aBefore + 1) << "the first change is not held back";

    // A burst on both tiles within the frame: nothing paints before its end, then each tile once.
    for (int16_t s : {machine_status::Warning, machine_status::Info, machine_status::Notice}) {
        a.setStatus(s);
        b.setStatus(s);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(a.paints, aBefore + 1);
    EXPECT_EQ(b.paints, bBefore);
    EXPECT_EQ(PaintPacer::instance().waiting(), 2);
    turnUntil([&] { return PaintPacer::instance().waiting() == 0 && b.paints > bBefore; });
    QCoreApplication::processEvents();
    EXPECT_EQ(a.paints, aBefore + 2);
    EXPECT_EQ(b.paints, bBefore + 1);
    EXPECT_EQ(a.status(), machine_status::Notice);
    EXPECT_EQ(b.status(), machine_status::Notice);

    // A tile deleted while it waits is simply left out.
    auto* c = new CountedTile;
    c->show();
    c->setStatus(machine_status::Fault);
    a.setStatus(machine_status::Fault);
    delete c;
    turnUntil([&] { return PaintPacer::instance().waiting() == 0; });
    EXPECT_EQ(PaintPacer::instance().waiting(), 0);
}
