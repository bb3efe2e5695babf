#include "net/LazyTimer.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

using namespace net;

TEST(LazyTimer, FiresOneIntervalAfterTheLastRestartOnly) {
    LazyTimer timer(120);
    QList<qint64> fired;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&timer, &LazyTimer::timeout, [&] { fired << clock.elapsed(); });
    timer.restart();
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(30);
        timer.restart();
    }
    const qint64 lastRestart = clock.elapsed();
    EXPECT_TRUE(fired.isEmpty());
    ASSERT_TRUE(testutil::waitFor([&] { return !fired.isEmpty(); }, 2000));
    EXPECT_GE(fired[0] - lastRestart, 115);
    // Periodic while enabled.
    ASSERT_TRUE(testutil::waitFor([&] { return fired.size() >= 3; }, 2000));
    EXPECT_GE(fired[2] - fired[1], 115);
    timer.stop();
    const int count = static_cast<int>(fired.size());
    QTest::qWait(300);
    EXPECT_EQ(fired.size(), count);
    EXPECT_FALSE(timer.isActive());
}

TEST(LazyTimer, EnableKeepsARunningTimersDueTime) {
    LazyTimer timer(400);
    QElapsedTimer clock;
    qint64 firedAt = -1;
    QObject::connect(&timer, &LazyTimer::timeout, [&] {
        if (firedAt < 0) firedAt = clock.elapsed();
    });
    clock.start();
    timer.enable();
    QTest::qWait(150);
    const qint64 secondEnable = clock.elapsed();
    timer.enable(); // not a restart
    ASSERT_TRUE(testutil::waitFor([&] { return firedAt >= 0; }, 3000));
    // Due at 400 from the first enable: less than a whole interval after the second one, with
    // room for a busy machine.
    EXPECT_LT(firedAt - secondEnable, 400);
    EXPECT_TRUE(timer.isActive());
}
