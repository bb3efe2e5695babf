#include "base/Profile.h"

#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace profile {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) & 0x80) return false;
    return true;
}
} // namespace

ProfileText::ProfileText(QByteArray content, const AnsiCodec& codec) : content_(std::move(content)), codec_(codec) {
    const char* data = content_.constData();
    const qsizetype size = content_.size();
    qsizetype pos = 0;
    while (pos < size) {
        Line line{};
        line.begin = pos;
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
        line.end = end;
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
            line.next = end + 2;
        else
            line.next = end < size ? end + 1 : end;
        pos = line.next;

        qsizetype b = line.begin, e = line.end;
        while (b < e && isBlank(data[b])) ++b;
        while (e > b && isBlank(data[e - 1])) --e;
        line.trimBegin = b;
        line.trimEnd = e;
        line.nameBegin = line.nameEnd = line.valueBegin = line.valueEnd = b;
        if (b < e && data[b] == '[') {
            qsizetype close = e - 1;
            while (close > b && data[close] != ']') --close;
            if (close > b) {
                line.section = true;
                qsizetype nb = b + 1, ne = close;
                while (nb < ne && isBlank(data[nb])) ++nb;
                while (ne > nb && isBlank(data[ne - 1])) --ne;
                line.nameBegin = nb;
                line.nameEnd = ne;
                lines_.push_back(line);
                continue;
            }
        }
        if (b < e && data[b] != ';' && data[b] != '#') {
            qsizetype eq = b;
            while (eq < e && data[eq] != '=') ++eq;
            qsizetype ke = eq;
            while (ke > b && isBlank(data[ke - 1])) --ke;
            line.nameBegin = b;
            line.nameEnd = ke;
            qsizetype vb = eq < e ? eq + 1 : e;
            while (vb < e && isBlank(data[vb])) ++vb;
            line.valueBegin = vb;
            line.valueEnd = e;
        }
        lines_.push_back(line);
    }
}

bool ProfileText::nameEquals(qsizetype begin, qsizetype end, const QByteArray& encoded, const QString& name) const {
    const QByteArrayView stored(content_.constData() + begin, end - begin);
    if (isAscii(stored) && isAscii(encoded)) {
        if (stored.size() != encoded.size()) return false;
        for (qsizetype i = 0; i < stored.size(); ++i)
            if (asciiLower(stored[i]) != asciiLower(encoded[i])) return false;
        return true;
    }
    // Characters beyond ASCII (and double-byte code pages, whose trail bytes may look like ASCII
    // letters): compare as text.
    return codec_.decode(stored).compare(name, Qt::CaseInsensitive) == 0;
}

ProfileText::Match ProfileText::find(const QString& section, const QString& key) const {
    Match match;
    const QByteArray sectionBytes = codec_.encode(section);
    const QByteArray keyBytes = codec_.encode(key);
    const int count = static_cast<int>(lines_.size());
    for (int i = 0; i < count; ++i) {
        const Line& line = lines_[i];
        if (!line.section || !nameEquals(line.nameBegin, line.nameEnd, sectionBytes, section)) continue;
        match.sectionLine = i;
        match.lastContentLine = i;
        for (int j = i + 1; j < count && !lines_[j].section; ++j) {
            const Line& entry = lines_[j];
            if (entry.trimBegin < entry.trimEnd) match.lastContentLine = j;
            if (match.keyLine < 0 && entry.nameEnd > entry.nameBegin &&
                nameEquals(entry.nameBegin, entry.nameEnd, keyBytes, key))
                match.keyLine = j;
        }
        break;
    }
    return match;
}

std::optional<QByteArray> ProfileText::value(const QString& section, const QString& key) const {
    const Match match = find(section, key);
    if (match.keyLine < 0) return std::nullopt;
    const Line& line = lines_[match.keyLine];
    qsizetype b = line.valueBegin, e = line.valueEnd;
    const char* data = content_.constData();
    if (e - b >= 2 && (data[b] == '"' || data[b] == '\'') && data[e - 1] == data[b]) {
        ++b;
        --e;
    }
    qsizetype length = std::min(e - b, MaxValueLength);
    // UTF-8 text is cut before a character, never inside one.
    if (codec_.codePage() == AnsiCodec::Utf8 && length < e - b)
        while (length > 0 && (static_cast<unsigned char>(data[b + length]) & 0xC0) == 0x80) --length;
    return content_.mid(b, length);
}

QByteArray ProfileText::withValue(const QString& section, const QString& key, const QByteArray& rawValue) const {
    // A value never spans lines; a line break inside it would plant further keys in the file.
    QByteArray value = rawValue;
    value.replace('\r', ' ').replace('\n', ' ');
    qsizetype lead = 0;
    while (lead < value.size() && isBlank(value[lead])) ++lead;
    value.remove(0, lead);

    const Match match = find(section, key);
    QByteArray out = content_;
    if (match.keyLine >= 0) {
        const Line& line = lines_[match.keyLine];
        const QByteArray replacement = content_.mid(line.nameBegin, line.nameEnd - line.nameBegin) + '=' + value;
        out.replace(line.begin, line.end - line.begin, replacement);
        return out;
    }
    const QByteArray keyLine = codec_.encode(key) + '=' + value;
    if (match.sectionLine >= 0) {
        const Line& after = lines_[match.lastContentLine];
        QByteArray terminator = content_.mid(after.end, after.next - after.end);
        if (terminator.isEmpty()) {
            // The section's last line ends the file without a line break: give it one.
            out.insert(after.next, QByteArray("\r\n") + keyLine + "\r\n");
        } else {
            out.insert(after.next, keyLine + terminator);
        }
        return out;
    }
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r')) out += "\r\n";
    out += '[' + codec_.encode(section) + "]\r\n" + keyLine + "\r\n";
    return out;
}

MarkedText unmark(const QByteArray& fileBytes) {
    if (fileBytes.startsWith("\xEF\xBB\xBF")) return {TextMark::Utf8, fileBytes.mid(3)};
    const bool little = fileBytes.startsWith("\xFF\xFE");
    if (little || fileBytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QString text = decoder.decode(QByteArrayView(fileBytes).sliced(2));
        return {little ? TextMark::Utf16LE : TextMark::Utf16BE, text.toUtf8()};
    }
    return {TextMark::None, fileBytes};
}

QByteArray remark(const MarkedText& text) {
    switch (text.mark) {
    case TextMark::None: return text.text;
    case TextMark::Utf8: return QByteArray("\xEF\xBB\xBF") + text.text;
    case TextMark::Utf16LE:
    case TextMark::Utf16BE: {
        const bool little = text.mark == TextMark::Utf16LE;
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(QString::fromUtf8(text.text)));
    }
    }
    return text.text;
}

const AnsiCodec& codecFor(TextMark mark) {
    static const AnsiCodec utf8(AnsiCodec::Utf8);
    return mark == TextMark::None ? AnsiCodec::workstation() : utf8;
}

bool readFile(const QString& path, QByteArray* content) {
    content->clear();
    const QByteArray native = QFile::encodeName(path);
    // Never waits: a FIFO or device in the file's place is opened without blocking and then refused.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxFileSize) {
        ::close(fd);
        return false;
    }
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, n);
        if (bytes.size() > MaxFileSize) {
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    *content = std::move(bytes);
    return true;
}

qint32 parseProfileInt(const QByteArray& value) {
    qsizetype i = 0;
    while (i < value.size() && isBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        negative = value[i] == '-';
        ++i;
    }
    quint32 result = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        result = result * 10u + static_cast<quint32>(value[i] - '0');
    if (negative) result = 0u - result;
    return static_cast<qint32>(result);
}

} // namespace profile
