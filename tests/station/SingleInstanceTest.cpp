#include "station/SingleInstance.h"

#include "TestUtil.h"

#include <QLocalSocket>
#include <QSignalSpy>

using namespace station;

TEST(SingleInstance, OneCopyPerFolderWhateverPathNamesIt) {
    QTemporaryDir dir;
    const QString link = dir.filePath("link");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("station")));
    ASSERT_TRUE(QFile::link(dir.filePath("station"), link));
    EXPECT_EQ(SingleInstance::socketName(dir.filePath("station")), SingleInstance::socketName(link));
    EXPECT_EQ(SingleInstance::socketName(dir.filePath("station")),
              SingleInstance::socketName(dir.filePath("x/../station")));
    EXPECT_NE(SingleInstance::socketName(dir.filePath("station")), SingleInstance::socketName(dir.path()));

    SingleInstance first(dir.filePath("station"));
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    // A second copy in the same folder, reached through the link, finds the first and asks it to
    // raise its window; a copy in another folder runs on its own.
    SingleInstance second(link);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(testutil::waitFor([&] { return raised.count() == 1; }));
    SingleInstance elsewhere(dir.path());
    EXPECT_TRUE(elsewhere.claim());
    QTest::qWait(50);
    EXPECT_EQ(raised.count(), 1);
}

// The name is free again once a copy is gone; a copy drops anything but the request to raise.
TEST(SingleInstance, TheNameIsFreeAgainAndAnythingButTheRequestIsDropped) {
    QTemporaryDir dir;
    EXPECT_TRUE(SingleInstance(dir.path()).claim());
    SingleInstance first(dir.path());
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    QLocalSocket noise;
    noise.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    noise.connectToServer(SingleInstance::socketName(dir.path()));
    ASSERT_TRUE(noise.waitForConnected(2000));
    noise.write(QByteArray(200, 'x'));
    noise.write("raise\n");
    ASSERT_TRUE(noise.waitForBytesWritten(2000));
    EXPECT_TRUE(testutil::waitFor([&] { return noise.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(raised.count(), 0);
}
