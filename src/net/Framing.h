#pragma once
// Message frames on the wire: "$$Anfang$$" + text + "$$Ende$$", nothing between and nothing after.
// An arrival may hold several frames, or only part of one: the unfinished frame is kept for the
// next arrival (up to MaxPending bytes per connection).

#include <QByteArray>
#include <QByteArrayView>

namespace net {

namespace framing {

inline constexpr QByteArrayView StartMarker{"$$Anfang$$"};
inline constexpr QByteArrayView EndMarker{"$$Ende$$"};

// Longest unfinished frame kept between arrivals; a longer one is dropped.
constexpr qsizetype MaxPending = 1024 * 1024;

// The bytes that carry `text` as one frame.
QByteArray frame(QByteArrayView text);

class FrameBuffer {
public:
    // Adds one arrival and calls onMessage(QByteArrayView text) for every complete frame, in order.
    // A frame is the text between an end marker and the last start marker before it, so that the
    // tail of a broken frame never swallows the frame after it. Text outside frames is dropped.
    template <typename OnMessage> void feed(QByteArray arrival, OnMessage&& onMessage);

    qsizetype pendingSize() const { return pending_.size(); }
    void clear() { pending_.clear(); }

private:
    void keepRemainder(const QByteArray& work, qsizetype from);
    QByteArray pending_;
};

template <typename OnMessage> void FrameBuffer::feed(QByteArray arrival, OnMessage&& onMessage) {
    QByteArray work;
    if (pending_.isEmpty()) {
        work = std::move(arrival);
    } else {
        work = std::move(pending_);
        work.append(arrival);
    }
    pending_.clear();
    const QByteArrayView view(work);
    qsizetype pos = 0;
    for (;;) {
        const qsizetype end = view.indexOf(EndMarker, pos);
        if (end < 0) break;
        const qsizetype start = view.sliced(pos, end - pos).lastIndexOf(StartMarker);
        if (start >= 0) {
            const qsizetype textBegin = pos + start + StartMarker.size();
            onMessage(view.sliced(textBegin, end - textBegin));
        }
        pos = end + EndMarker.size();
    }
    keepRemainder(work, pos);
}

} // namespace framing

} // namespace net
