#pragma once
// A private-profile (INI) file engine with the observable behaviour of the Windows profile
// functions: names match without regard to case, the first matching section and key win, values
// are trimmed and lose one pair of outer quotes, and a write changes only the line it concerns.

#include "base/AnsiCodec.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace base {

namespace profile {

// Longest value a read returns, in bytes (the Windows buffer of 255 bytes less its terminator).
constexpr qsizetype MaxValueLength = 254;

// Files larger than this are not read (every read gives its default) and never rewritten.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

// One write of a batch: the value is already encoded in the file's code page.
struct ValueWrite {
    QString section;
    QString key;
    QByteArray value;
};

// One parsed snapshot of a settings file's bytes.
class ProfileText {
public:
    ProfileText(QByteArray content, const AnsiCodec& codec);

    // The value of the first matching key in the first matching section, trimmed, unquoted and
    // cut to MaxValueLength bytes; nullopt when the section or key is missing.
    std::optional<QByteArray> value(const QString& section, const QString& key) const;

    // Every key line of the sections the reads see (the first section of a name), with its value
    // read as value() reads it (still encoded), in file order. `folded` is "section\nkey"
    // case-folded (UTF-8): equal for names the reads take as equal. A key may come more than once
    // in its section; the reads see the first.
    struct Entry {
        QString section;
        QString key;
        QByteArray value;
        QByteArray folded;
    };
    std::vector<Entry> entries() const;
    // A name as `folded` holds it.
    static QByteArray foldedName(const QString& name) { return name.toCaseFolded().toUtf8(); }

    // The file's bytes with `key` in `section` set to `value` (already encoded). Every byte
    // outside the one changed or inserted line stays as it was.
    QByteArray withValue(const QString& section, const QString& key, const QByteArray& value) const;

    // The file's bytes after the writes, in order: the same bytes as withValue applied once per
    // write to the result of the one before, from a single parse of the file.
    QByteArray withValues(const std::vector<ValueWrite>& writes) const;

    const QByteArray& content() const { return content_; }

private:
    struct Line {
        qsizetype begin;     // first byte of the line
        qsizetype end;       // one past the last byte before the line terminator
        qsizetype next;      // first byte of the following line
        qsizetype trimBegin; // line content without surrounding blanks and tabs
        qsizetype trimEnd;
        bool section;        // a "[name]" line
        qsizetype nameBegin; // section name or key, trimmed
        qsizetype nameEnd;
        qsizetype valueBegin; // key lines: value after the first '=', trimmed (empty when none)
        qsizetype valueEnd;
    };
    struct Match {
        int sectionLine = -1; // index into lines_
        int keyLine = -1;
        int lastContentLine = -1; // last non-blank line of the section, header included
    };

    class Batch;
    friend class Batch;

    // The line that starts at `pos` of `data`.
    static Line parseLine(const char* data, qsizetype pos, qsizetype size);
    Match find(const QString& section, const QString& key) const;
    QByteArray valueOf(const Line& line) const;
    bool nameEquals(QByteArrayView stored, const QByteArray& encoded, const QString& name) const;
    QByteArrayView nameOf(const Line& line) const {
        return QByteArrayView(content_.constData() + line.nameBegin, line.nameEnd - line.nameBegin);
    }

    QByteArray content_;
    const AnsiCodec& codec_;
    std::vector<Line> lines_;
};

// A byte-order mark at the start of a settings file. Text in a file with a mark is Unicode: the
// engine holds it as UTF-8 without the mark while it reads and edits, and gives it back its mark
// and encoding when it writes. A file without a mark is text in the workstation's code page.
enum class TextMark { None, Utf8, Utf16LE, Utf16BE };

struct MarkedText {
    TextMark mark = TextMark::None;
    QByteArray text; // without the mark; UTF-8 when there is one
};

MarkedText unmark(const QByteArray& fileBytes);
QByteArray remark(const MarkedText& text);
// The codec of a file's text: the workstation's code page, or UTF-8 for a marked file.
const AnsiCodec& codecFor(TextMark mark);

// Reads a whole file. False (and empty bytes) when it is missing, a directory, unreadable or
// larger than MaxFileSize.
bool readFile(const QString& path, QByteArray* content);

// Windows' integer read of a value: optional blanks, one sign, the digits up to the first
// non-digit (none: 0), wrapping modulo 2^32.
qint32 parseProfileInt(const QByteArray& value);

} // namespace profile

} // namespace base
