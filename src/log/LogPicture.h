#pragma once
// What the log file holds, kept in memory so that the size rule can be applied line by line
// without reading the file back: its bytes, or, for a file far larger than its limit, a head
// that stays in the file (read only where a cut needs a line end) and the rest in memory.
//
// The rule: after a line is appended, a picture larger than the limit is cut. The cut starts at
// byte round(limit x 0.1), counted from 1; the line it falls into is dropped whole (a line ends
// at LF, CR or CR LF, wherever those bytes are), and a header line goes first.

#include "platform/Os.h"

#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>
#include <memory>
#include <vector>

namespace logfile {

class LogPicture {
public:
    LogPicture() = default;
    LogPicture(const LogPicture&) = delete;
    LogPicture& operator=(const LogPicture&) = delete;

    // The 0-based position where the cut of a log with a limit of `limitKiB` KiB starts.
    static qint64 cutIndex(int limitKiB);

    void clear();
    void assign(QByteArrayView bytes);
    // A file whose first `headSize` bytes stay in `source`, followed by `tail`. The head is read
    // into memory once the picture is no larger than `wholeBytes`.
    void assignWithHead(std::shared_ptr<const platform::ReadableFile> source, qint64 headSize, QByteArrayView tail,
                        qint64 wholeBytes);

    qint64 size() const { return static_cast<qint64>(prefix_.size()) + (diskEnd_ - diskBegin_) + (end_ - begin_); }
    // Bytes held in memory, the buffer's spare room included.
    qint64 memoryBytes() const { return capacity_ + prefix_.capacity(); }
    bool hasHeadOnDisk() const { return source_ != nullptr; }

    // Appends one line, the concatenation of `parts` (ending with its line end), and cuts when the
    // picture is then larger than `limitBytes`, with `header` (a whole line) put first. True when
    // it cut.
    bool appendLine(std::initializer_list<QByteArrayView> parts, qint64 limitBytes, qint64 cutAt,
                    QByteArrayView header);

    // The last `n` bytes; valid for what was appended since the last cut.
    QByteArrayView lastBytes(qint64 n) const { return QByteArrayView(buffer_.get() + end_ - n, n); }
    // The whole picture as the pieces of a file.
    std::vector<platform::FilePiece> pieces() const;
    // The whole picture as bytes (tests and small files).
    QByteArray bytes() const;

private:
    void cut(qint64 cutAt, QByteArrayView header);
    // The position just after the first line end at or after `from`; size() when there is none.
    qint64 lineEndFrom(qint64 from) const;
    char byteAt(qint64 position) const;
    void reserveTail(qint64 extra);
    void putBeforeMemory(QByteArrayView bytes);
    void loadHead();

    // prefix_, then the source's bytes diskBegin_..diskEnd_, then buffer_[begin_, end_).
    QByteArray prefix_;
    std::shared_ptr<const platform::ReadableFile> source_;
    qint64 diskBegin_ = 0;
    qint64 diskEnd_ = 0;
    qint64 wholeBytes_ = 0;
    std::unique_ptr<char[]> buffer_;
    qint64 capacity_ = 0;
    qint64 begin_ = 0;
    qint64 end_ = 0;
};

} // namespace logfile
