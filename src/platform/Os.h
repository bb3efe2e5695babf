#pragma once
// The operating-system services that differ between platforms, behind one process-wide instance:
// replacing and appending to files, the bounded child process, the desktop's window list and
// keyboard layout, and ending the process. The program calls os(); tests may put their own
// instance in its place, and a second platform adds an implementation beside the Linux one.

#include "platform/Desktop.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// What a path names, as stat(2) sees it (symbolic links followed).
struct FileState {
    bool exists = false;
    bool regular = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileState& o) const {
        return exists == o.exists && regular == o.regular && device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs;
    }
    bool operator!=(const FileState& o) const { return !(*this == o); }
};

// A regular file held open for reading: its bytes stay readable when its path is renamed over or
// deleted.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    virtual FileState state() const = 0;
    // Reads up to `size` bytes at `offset`: the number read (0 at the end), or -1.
    virtual qint64 readAt(qint64 offset, char* data, qint64 size) const = 0;
};

// One part of a file's new content: `bytes`, or `length` bytes of `source` from `offset` on
// (copied within the kernel where it can be).
struct FilePiece {
    QByteArrayView bytes;
    const ReadableFile* source = nullptr;
    qint64 offset = 0;
    qint64 length = 0;
};

// The language reader child reads a language file of the largest kind the program keeps (210
// languages, 60 fonts) in 20 ms with an 18 MiB peak (most of it shared libraries), 80 ms and 47 MiB
// in the sanitizer build: the bounds leave a wide margin over both and stop a damaged file early.
struct ChildLimits {
    int deadlineMs = 2000;
    qint64 maxResidentBytes = 128LL * 1024 * 1024;
    qint64 maxOutputBytes = 64LL * 1024 * 1024;
};

struct ChildOutcome {
    bool started = false;
    bool killed = false;  // it overran the deadline, the memory bound or the output bound
    bool crashed = false; // it died of a signal of its own
    int exitCode = -1;
};

class OperatingSystem {
public:
    virtual ~OperatingSystem() = default;

    // Replaces the file's content atomically: a temporary file beside the real target (symbolic
    // links followed) gets the bytes, the original's mode and owner, is flushed to disk and renamed
    // over the target. On any failure the target is left as it was and false is returned, with the
    // reason in `error` when given.
    virtual bool replaceFile(const QString& path, const QByteArray& content, QString* error) = 0;

    // Writes the pieces in order to `tempPath` and renames it over `path`, so that `path` is never
    // missing or half-written; on failure `path` stays and the temporary file is removed. `after`
    // gets the new file's state.
    virtual bool replaceFileThrough(const QString& tempPath, const QString& path, const std::vector<FilePiece>& pieces,
                                    FileState* after) = 0;

    // Appends bytes to a file, creating it, opened and closed for this one write, never waiting
    // for a reader (a FIFO without one fails at once); `after` gets the file's state afterwards.
    // False when the file cannot be opened or written.
    virtual bool appendToFile(const QString& path, QByteArrayView bytes, FileState* after) = 0;

    // The state of what `path` names now.
    virtual FileState fileState(const QString& path) = 0;

    // Opens a regular file for reading without waiting; nullptr for anything else (a FIFO, a
    // device, a directory) and when it cannot be opened.
    virtual std::unique_ptr<ReadableFile> openForReading(const QString& path) = 0;

    // Runs `program` with `arguments`, collects its standard output into `output`, and kills it when
    // it overruns a limit. Returns when the child has ended.
    virtual ChildOutcome runChild(const QString& program, const QStringList& arguments, const ChildLimits& limits,
                                  QByteArray* output) = 0;

    // The desktop's windows and keyboard layout (see Desktop.h).
    virtual WindowLookup findWindowByTitle(const QString& title) = 0;
    virtual bool activateKeyboardLayout(int32_t layoutHandle) = 0;
    virtual int currentKeyboardGroup() = 0;
    virtual void restoreKeyboardGroup(int group) = 0;

    // The root directory of the file system that holds `path`.
    virtual QString fileSystemRoot(const QString& path) = 0;

    // Ends the process at once with exit status 0: no further event of any window or control runs.
    virtual void endProcess() = 0;
};

// The instance in use: the platform's own unless replaced.
OperatingSystem& os();

// Reads a whole regular file through os(), never waiting on a FIFO or device. False (and empty
// bytes) when it is missing, not a regular file, unreadable or larger than `maxBytes`.
bool readFile(const QString& path, qint64 maxBytes, QByteArray* content);

// Puts `replacement` in place (nullptr: the platform's own again); returns the one it replaces.
OperatingSystem* setOs(OperatingSystem* replacement);

// The platform's own implementation.
OperatingSystem& nativeOs();

// Replaces the instance for the lifetime of a scope. A log's writer thread may be using the
// instance: a log that wrote within the scope is flushed or destroyed before the scope ends.
class ScopedOs {
public:
    explicit ScopedOs(OperatingSystem& replacement) : previous_(setOs(&replacement)) {}
    ~ScopedOs() { setOs(previous_); }
    ScopedOs(const ScopedOs&) = delete;
    ScopedOs& operator=(const ScopedOs&) = delete;

private:
    OperatingSystem* previous_;
};

} // namespace platform
