#include "net/Framing.h"

namespace net {

namespace framing {

QByteArray frame(QByteArrayView text) {
    QByteArray bytes;
    bytes.reserve(StartMarker.size() + text.size() + EndMarker.size());
    bytes.append(StartMarker).append(text).append(EndMarker);
    return bytes;
}

void FrameBuffer::keepRemainder(const QByteArray& work, qsizetype from) {
    const QByteArrayView rest = QByteArrayView(work).sliced(from);
    qsizetype start = rest.lastIndexOf(StartMarker);
    if (start >= 0 && start + StartMarker.size() > rest.size() - (EndMarker.size() - 1)) {
        // The last start marker ends so near the end that the end marker still to come may share
        // its closing "$$"; that frame then belongs to the start marker before it. Keeping that
        // one too makes the frames the same however the bytes were split into arrivals.
        const qsizetype previous = rest.sliced(0, start + StartMarker.size() - 1).lastIndexOf(StartMarker);
        if (previous >= 0) start = previous;
    }
    if (start >= 0) {
        // An unfinished frame waits for its end; one that grew too large is given up.
        if (rest.size() - start <= MaxPending) pending_ = rest.sliced(start).toByteArray();
        return;
    }
    // No start marker: only the tail that may be the beginning of a split start marker matters.
    const qsizetype keep = std::min<qsizetype>(rest.size(), StartMarker.size() - 1);
    if (keep > 0) pending_ = rest.sliced(rest.size() - keep).toByteArray();
}

} // namespace framing

} // namespace net
