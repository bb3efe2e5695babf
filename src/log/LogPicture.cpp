#include "log/LogPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace logfile {

namespace {
constexpr qint64 MinCapacity = 64 * 1024;

// The index of the first CR or LF in data[0, n), or -1.
qint64 firstLineEnd(const char* data, qint64 n) {
    const auto* lf = static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(n)));
    const qint64 lfAt = lf ? lf - data : n;
    const auto* cr = static_cast<const char*>(std::memchr(data, '\r', static_cast<size_t>(lfAt)));
    if (cr) return cr - data;
    return lf ? lfAt : -1;
}
} // namespace

qint64 LogPicture::cutIndex(int limitKiB) {
    // round(limit x 1024 x 0.1) with ties to even, counted from 1.
    return static_cast<qint64>(std::nearbyint(static_cast<double>(limitKiB) * 1024.0 * 0.1)) - 1;
}

void LogPicture::clear() {
    prefix_.clear();
    source_.reset();
    diskBegin_ = diskEnd_ = 0;
    begin_ = end_ = 0;
}

void LogPicture::assign(QByteArrayView bytes) {
    clear();
    reserveTail(bytes.size());
    if (!bytes.isEmpty()) std::memcpy(buffer_.get(), bytes.data(), static_cast<size_t>(bytes.size()));
    end_ = bytes.size();
}

void LogPicture::assignWithHead(std::shared_ptr<const platform::ReadableFile> source, qint64 headSize,
                                QByteArrayView tail, qint64 wholeBytes) {
    assign(tail);
    source_ = std::move(source);
    diskEnd_ = headSize;
    wholeBytes_ = wholeBytes;
}

void LogPicture::reserveTail(qint64 extra) {
    if (end_ + extra <= capacity_) return;
    const qint64 kept = end_ - begin_;
    // Moving the kept bytes to the front pays off only once the dropped part is the larger one;
    // otherwise the buffer grows, so that moves stay rare.
    if (begin_ >= kept && kept + extra <= capacity_) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, static_cast<size_t>(kept));
        begin_ = 0;
        end_ = kept;
        return;
    }
    const qint64 capacity = std::max({capacity_ * 2, kept + extra, MinCapacity});
    std::unique_ptr<char[]> grown(new char[static_cast<size_t>(capacity)]);
    if (kept > 0) std::memcpy(grown.get(), buffer_.get() + begin_, static_cast<size_t>(kept));
    buffer_ = std::move(grown);
    capacity_ = capacity;
    begin_ = 0;
    end_ = kept;
}

bool LogPicture::appendLine(std::initializer_list<QByteArrayView> parts, qint64 limitBytes, qint64 cutAt,
                            QByteArrayView header) {
    qint64 length = 0;
    for (QByteArrayView part : parts) length += part.size();
    reserveTail(length);
    for (QByteArrayView part : parts) {
        if (part.isEmpty()) continue;
        std::memcpy(buffer_.get() + end_, part.data(), static_cast<size_t>(part.size()));
        end_ += part.size();
    }
    if (size() <= limitBytes) return false;
    cut(cutAt, header);
    return true;
}

char LogPicture::byteAt(qint64 position) const {
    const qint64 p = prefix_.size();
    const qint64 d = diskEnd_ - diskBegin_;
    if (position < p) return prefix_[position];
    if (position < p + d) {
        char c = 0;
        return source_->readAt(diskBegin_ + position - p, &c, 1) == 1 ? c : '\0';
    }
    return buffer_[static_cast<size_t>(begin_ + position - p - d)];
}

qint64 LogPicture::lineEndFrom(qint64 from) const {
    const qint64 total = size();
    const qint64 p = prefix_.size();
    const qint64 d = diskEnd_ - diskBegin_;
    qint64 found = -1;
    qint64 position = from;
    if (position < p) {
        const qint64 i = firstLineEnd(prefix_.constData() + position, p - position);
        if (i >= 0) found = position + i;
        position = p;
    }
    if (found < 0 && position < p + d) {
        // The head on disk is read in pieces, only as far as the line end.
        char chunk[65536];
        while (position < p + d) {
            const qint64 n =
                source_->readAt(diskBegin_ + position - p, chunk, std::min<qint64>(sizeof(chunk), p + d - position));
            if (n <= 0) { // unreadable: counts as holding no line end
                position = p + d;
                break;
            }
            const qint64 i = firstLineEnd(chunk, n);
            if (i >= 0) {
                found = position + i;
                break;
            }
            position += n;
        }
    }
    if (found < 0 && position < total) {
        const qint64 offset = position - p - d;
        const qint64 i = firstLineEnd(buffer_.get() + begin_ + offset, end_ - begin_ - offset);
        if (i >= 0) found = position + i;
    }
    if (found < 0) return total;
    if (byteAt(found) == '\n') return found + 1;
    return found + 1 < total && byteAt(found + 1) == '\n' ? found + 2 : found + 1;
}

void LogPicture::putBeforeMemory(QByteArrayView bytes) {
    const qint64 n = bytes.size();
    if (begin_ < n) {
        // No room before the kept bytes: move them up (or into a larger buffer).
        const qint64 kept = end_ - begin_;
        if (kept + n > capacity_) {
            const qint64 capacity = std::max({capacity_ * 2, kept + n, MinCapacity});
            std::unique_ptr<char[]> grown(new char[static_cast<size_t>(capacity)]);
            std::memcpy(grown.get() + n, buffer_.get() + begin_, static_cast<size_t>(kept));
            buffer_ = std::move(grown);
            capacity_ = capacity;
        } else {
            std::memmove(buffer_.get() + n, buffer_.get() + begin_, static_cast<size_t>(kept));
        }
        begin_ = n;
        end_ = n + kept;
    }
    begin_ -= n;
    if (n > 0) std::memcpy(buffer_.get() + begin_, bytes.data(), static_cast<size_t>(n));
}

void LogPicture::cut(qint64 cutAt, QByteArrayView header) {
    const qint64 total = size();
    // The picture ends with the line just appended, so what is kept ends at a line end.
    const qint64 keep = cutAt < total ? lineEndFrom(std::max<qint64>(cutAt, 0)) : total;
    const qint64 p = prefix_.size();
    const qint64 d = diskEnd_ - diskBegin_;
    if (keep >= p + d) {
        // What is kept lies in memory: the dropped part goes by moving the start, and the header
        // takes the place just before it.
        prefix_.clear();
        source_.reset();
        diskBegin_ = diskEnd_ = 0;
        begin_ += keep - p - d;
        putBeforeMemory(header);
    } else if (keep >= p) {
        diskBegin_ += keep - p;
        prefix_ = header.toByteArray();
    } else {
        prefix_ = header.toByteArray() + prefix_.mid(keep);
    }
    const qint64 kept = end_ - begin_;
    if (capacity_ > 4 * std::max(kept, MinCapacity)) {
        // A long line made the buffer large: give the room back.
        const qint64 capacity = std::max(2 * kept, MinCapacity);
        std::unique_ptr<char[]> smaller(new char[static_cast<size_t>(capacity)]);
        if (kept > 0) std::memcpy(smaller.get(), buffer_.get() + begin_, static_cast<size_t>(kept));
        buffer_ = std::move(smaller);
        capacity_ = capacity;
        begin_ = 0;
        end_ = kept;
    } else if (begin_ > kept) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, static_cast<size_t>(kept));
        begin_ = 0;
        end_ = kept;
    }
    if (source_ && size() <= wholeBytes_) loadHead();
}

void LogPicture::loadHead() {
    const qint64 d = diskEnd_ - diskBegin_;
    const qint64 p = prefix_.size();
    const qint64 kept = end_ - begin_;
    const qint64 capacity = std::max(2 * (p + d + kept), MinCapacity);
    std::unique_ptr<char[]> whole(new char[static_cast<size_t>(capacity)]);
    if (p > 0) std::memcpy(whole.get(), prefix_.constData(), static_cast<size_t>(p));
    for (qint64 done = 0; done < d;) {
        const qint64 n = source_->readAt(diskBegin_ + done, whole.get() + p + done, d - done);
        if (n <= 0) return; // stays on disk
        done += n;
    }
    if (kept > 0) std::memcpy(whole.get() + p + d, buffer_.get() + begin_, static_cast<size_t>(kept));
    buffer_ = std::move(whole);
    capacity_ = capacity;
    begin_ = 0;
    end_ = p + d + kept;
    prefix_.clear();
    source_.reset();
    diskBegin_ = diskEnd_ = 0;
}

std::vector<platform::FilePiece> LogPicture::pieces() const {
    std::vector<platform::FilePiece> out;
    if (!prefix_.isEmpty()) out.push_back({QByteArrayView(prefix_), nullptr, 0, 0});
    if (source_ && diskEnd_ > diskBegin_)
        out.push_back({QByteArrayView(), source_.get(), diskBegin_, diskEnd_ - diskBegin_});
    if (end_ > begin_) out.push_back({QByteArrayView(buffer_.get() + begin_, end_ - begin_), nullptr, 0, 0});
    return out;
}

QByteArray LogPicture::bytes() const {
    QByteArray out;
    for (const platform::FilePiece& piece : pieces()) {
        if (!piece.source) {
            out.append(piece.bytes);
            continue;
        }
        const qint64 at = out.size();
        out.resize(at + piece.length);
        for (qint64 done = 0; done < piece.length;) {
            const qint64 n = piece.source->readAt(piece.offset + done, out.data() + at + done, piece.length - done);
            if (n <= 0) break;
            done += n;
        }
    }
    return out;
}

} // namespace logfile
