#include "net/Framing.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace net;

namespace {
QStringList feed(framing::FrameBuffer& buffer, const QByteArray& arrival) {
    QStringList messages;
    buffer.feed(arrival, [&](QByteArrayView m) { messages << QString::fromLatin1(m); });
    return messages;
}
} // namespace

// A frame has nothing between its markers and its text; several in one arrival come in their order,
// and text outside frames is dropped.
TEST(Framing, SeveralFramesInOneArrivalInOrderAndTextOutsideDropped) {
    EXPECT_EQ(framing::frame("abc"), "$$Anfang$$abc$$Ende$$");
    EXPECT_EQ(framing::frame(""), "$$Anfang$$$$Ende$$");
    framing::FrameBuffer buffer;
    EXPECT_EQ(feed(buffer, "junk$$Anfang$$one$$Ende$$between$$Anfang$$$$Ende$$$$Anfang$$three$$Ende$$tail"),
              (QStringList{"one", "", "three"}));
    EXPECT_EQ(buffer.pendingSize(), 4); // only a tail that could begin a start marker is kept
    EXPECT_EQ(feed(buffer, "$$Anfang$$four$$Ende$$"), QStringList{"four"});
}

TEST(Framing, UnfinishedFramesAndSplitMarkersWaitForTheRest) {
    framing::FrameBuffer buffer;
    EXPECT_TRUE(feed(buffer, "$$Anfang$$Status1=2;Te").isEmpty());
    EXPECT_EQ(feed(buffer, "xt1=Run;$$En"), QStringList{});
    EXPECT_EQ(feed(buffer, "de$$$$Anf"), QStringList{"Status1=2;Text1=Run;"});
    EXPECT_EQ(feed(buffer, "ang$$x$$Ende$$"), QStringList{"x"});
    EXPECT_EQ(buffer.pendingSize(), 0);
}

// Found by fuzzing: an end marker that shares the closing "$$" of a start marker. Whatever the
// pieces the bytes arrive in, the frames are those of the bytes taken whole.
TEST(Framing, FramesDoNotDependOnHowTheBytesWereSplit) {
    const QList<QByteArray> inputs = {"$$Anfang$$$$Anfang$$Ende$$$$Anfang$$", "$$Anfang$$a$$Anfang$Ende$$b$$Ende$$",
                                      "x$$Anfang$$$$Anfang$$$$Ende$$"};
    for (const QByteArray& input : inputs) {
        framing::FrameBuffer whole;
        const QStringList expected = feed(whole, input);
        for (int piece = 1; piece <= input.size(); ++piece) {
            framing::FrameBuffer buffer;
            QStringList got;
            for (int at = 0; at < input.size(); at += piece) got += feed(buffer, input.mid(at, piece));
            EXPECT_EQ(got, expected) << input.toStdString() << " in pieces of " << piece;
        }
    }
}

TEST(Framing, EndMarkerBeforeStartMarkerNeitherLoopsNorLosesTheNextFrame) {
    framing::FrameBuffer buffer;
    EXPECT_EQ(feed(buffer, "tail of a split frame$$Ende$$$$Anfang$$next$$Ende$$"), QStringList{"next"});
    EXPECT_EQ(feed(buffer, "$$Ende$$$$Ende$$$$Ende$$"), QStringList{});
    // The start of a frame that never ended does not swallow the frame after it.
    EXPECT_EQ(feed(buffer, "$$Anfang$$broken"), QStringList{});
    EXPECT_EQ(feed(buffer, "$$Anfang$$real$$Ende$$"), QStringList{"real"});
}

TEST(Framing, AnUnfinishedFrameIsKeptUpToTheLimitOnly) {
    framing::FrameBuffer buffer;
    feed(buffer, "$$Anfang$$" + QByteArray(framing::MaxPending - 100, 'a'));
    EXPECT_GT(buffer.pendingSize(), 0);
    feed(buffer, QByteArray(200, 'b')); // now over the limit: given up
    EXPECT_EQ(buffer.pendingSize(), 0);
    EXPECT_EQ(feed(buffer, "rest$$Ende$$$$Anfang$$ok$$Ende$$"), QStringList{"ok"});
    // A frame just under the limit arrives whole over many arrivals.
    const QByteArray big(framing::MaxPending - 20, 'c');
    QByteArray wire = framing::frame(big);
    QStringList got;
    for (qsizetype i = 0; i < wire.size(); i += 1460) got << feed(buffer, wire.mid(i, 1460));
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].size(), big.size());
}
