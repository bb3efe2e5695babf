#include "base/Profile.h"

#include "base/Numbers.h"
#include "platform/Os.h"
#include "platform/Platform.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <climits>
#include <cstdlib>
#include <memory>

namespace base {

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

ProfileText::Line ProfileText::parseLine(const char* data, qsizetype pos, qsizetype size) {
    Line line{};
    line.begin = pos;
    qsizetype end = pos;
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    line.end = end;
    if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
        line.next = end + 2;
    else
        line.next = end < size ? end + 1 : end;

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
            return line;
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
    return line;
}

ProfileText::ProfileText(QByteArray content, const AnsiCodec& codec) : content_(std::move(content)), codec_(codec) {
    const char* data = content_.constData();
    const qsizetype size = content_.size();
    for (qsizetype pos = 0; pos < size;) {
        lines_.push_back(parseLine(data, pos, size));
        pos = lines_.back().next;
    }
}

bool ProfileText::nameEquals(QByteArrayView stored, const QByteArray& encoded, const QString& name) const {
    // No code page spends more than four bytes on one UTF-16 unit, so a stored name that much
    // longer cannot be equal; this keeps a huge hand-made name from being read for every lookup.
    if (stored.size() > 4 * (name.size() + 1)) return false;
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
        if (!line.section || !nameEquals(nameOf(line), sectionBytes, section)) continue;
        match.sectionLine = i;
        match.lastContentLine = i;
        for (int j = i + 1; j < count && !lines_[j].section; ++j) {
            const Line& entry = lines_[j];
            if (entry.trimBegin < entry.trimEnd) match.lastContentLine = j;
            if (match.keyLine < 0 && entry.nameEnd > entry.nameBegin && nameEquals(nameOf(entry), keyBytes, key))
                match.keyLine = j;
        }
        break;
    }
    return match;
}

std::optional<QByteArray> ProfileText::value(const QString& section, const QString& key) const {
    const Match match = find(section, key);
    if (match.keyLine < 0) return std::nullopt;
    return valueOf(lines_[match.keyLine]);
}

std::vector<ProfileText::Entry> ProfileText::entries() const {
    // As the reads see the file: the first section of a name. Names are folded on their bytes
    // where they are ASCII (nearly always), which is what folding the decoded text gives, only
    // without decoding it first.
    const auto appendFolded = [this](QByteArray& to, QByteArrayView name) {
        for (const char c : name)
            if (static_cast<unsigned char>(c) >= 0x80) {
                to += foldedName(codec_.decode(name));
                return;
            }
        const qsizetype at = to.size();
        to.resize(at + name.size());
        char* out = to.data() + at;
        for (const char c : name) *out++ = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    };
    std::vector<Entry> out;
    out.reserve(lines_.size());
    QSet<QByteArray> sections;
    bool reading = false;
    QString section;
    QByteArray prefix;
    for (const Line& line : lines_) {
        if (line.section) {
            section = codec_.decode(nameOf(line));
            prefix.clear();
            appendFolded(prefix, nameOf(line));
            reading = !sections.contains(prefix);
            sections.insert(prefix);
            prefix += '\n';
            continue;
        }
        if (!reading || line.nameEnd <= line.nameBegin) continue;
        QByteArray folded;
        folded.reserve(prefix.size() + (line.nameEnd - line.nameBegin));
        folded += prefix;
        appendFolded(folded, nameOf(line));
        out.push_back({section, codec_.decode(nameOf(line)), valueOf(line), std::move(folded)});
    }
    return out;
}

QByteArray ProfileText::valueOf(const Line& line) const {
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

namespace {
// A value never spans lines; a line break inside it would plant further keys in the file.
QByteArray storedValue(const QByteArray& rawValue) {
    QByteArray value = rawValue;
    value.replace('\r', ' ').replace('\n', ' ');
    qsizetype lead = 0;
    while (lead < value.size() && isBlank(value[lead])) ++lead;
    value.remove(0, lead);
    return value;
}
} // namespace

QByteArray ProfileText::withValue(const QString& section, const QString& key, const QByteArray& rawValue) const {
    const QByteArray value = storedValue(rawValue);

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

// Many writes on one parse. The file is modelled as its original lines, a replacement for each
// line whose value was written, the key lines added after each section's last line, and the
// sections appended at the end. Lookups follow withValue's rules (first matching section, first
// matching key) through name indexes, so the result is byte for byte that of the writes made one
// at a time. A write the model does not follow (a line break in a name, a written line that reads
// as a section header) returns false; the caller then makes that one write on the bytes so far.
namespace {
// The first entry with a given name: lower-cased ASCII names through a hash, other names in order.
class NameIndex {
public:
    void add(QByteArrayView name, int entry) {
        ++count_;
        if (isAscii(name)) {
            QByteArray lower = name.toByteArray();
            for (char& c : lower) c = asciiLower(c);
            if (!ascii_.contains(lower)) ascii_.insert(lower, entry);
        } else {
            other_.push_back(entry);
        }
    }
    // `equals(entry)` tells whether an entry's name equals the wanted one.
    template <typename Equals> int find(const QByteArray& encoded, Equals equals) const {
        if (!isAscii(encoded)) {
            // A name beyond ASCII may equal an ASCII one without regard to case: look at all.
            for (int entry = 0; entry < count_; ++entry)
                if (equals(entry)) return entry;
            return -1;
        }
        QByteArray lower = encoded;
        for (char& c : lower) c = asciiLower(c);
        const int candidate = ascii_.value(lower, INT_MAX);
        for (int entry : other_) {
            if (entry >= candidate) break;
            if (equals(entry)) return entry;
        }
        return candidate == INT_MAX ? -1 : candidate;
    }

private:
    QHash<QByteArray, int> ascii_;
    std::vector<int> other_;
    int count_ = 0;
};
} // namespace

class ProfileText::Batch {
public:
    explicit Batch(const ProfileText& text)
        : text_(text), replaced_(text.lines_.size()), addedAfter_(text.lines_.size(), -1) {
        for (int i = 0; i < static_cast<int>(text.lines_.size()); ++i) {
            const Line& line = text.lines_[static_cast<size_t>(i)];
            if (line.section) {
                Section section;
                section.header = i;
                section.lastContent = i;
                sectionNames_.add(text.nameOf(line), static_cast<int>(sections_.size()));
                sections_.push_back(std::move(section));
                continue;
            }
            if (sections_.empty()) continue; // keys before the first section are never found
            Section& section = sections_.back();
            if (line.trimBegin < line.trimEnd) section.lastContent = i;
            if (line.nameEnd > line.nameBegin) section.keys.push_back(i);
        }
        for (int s = 0; s < static_cast<int>(sections_.size()); ++s)
            addedAfter_[static_cast<size_t>(sections_[static_cast<size_t>(s)].lastContent)] = s;
    }

    bool apply(const ValueWrite& write) {
        const auto hasBreak = [](const QString& name) {
            return name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n'));
        };
        if (hasBreak(write.section) || hasBreak(write.key)) return false;
        const AnsiCodec& codec = text_.codec_;
        const QByteArray sectionBytes = codec.encode(write.section);
        const QByteArray keyBytes = codec.encode(write.key);
        const QByteArray value = storedValue(write.value);

        const int s = sectionNames_.find(
            sectionBytes, [&](int entry) { return text_.nameEquals(sectionName(entry), sectionBytes, write.section); });
        if (s < 0) {
            Added line(keyBytes + '=' + value);
            if (line.parsed.section) return false;
            Section section;
            section.headerLine = '[' + sectionBytes + ']';
            const Line header = parseLine(section.headerLine.constData(), 0, section.headerLine.size());
            section.headerName = section.headerLine.mid(header.nameBegin, header.nameEnd - header.nameBegin);
            section.indexed = true;
            if (line.parsed.nameEnd > line.parsed.nameBegin) section.keyNames.add(line.name(), 0);
            section.added.push_back(std::move(line));
            sectionNames_.add(section.headerName, static_cast<int>(sections_.size()));
            sections_.push_back(std::move(section));
            return true;
        }
        Section& section = sections_[static_cast<size_t>(s)];
        const int k = keyIndex(section).find(
            keyBytes, [&](int entry) { return text_.nameEquals(keyName(section, entry), keyBytes, write.key); });
        if (k < 0) {
            Added line(keyBytes + '=' + value);
            if (line.parsed.section) return false;
            if (line.parsed.nameEnd > line.parsed.nameBegin)
                section.keyNames.add(line.name(), static_cast<int>(section.keys.size() + section.added.size()));
            section.added.push_back(std::move(line));
            return true;
        }
        // The line keeps its stored name and loses what stood before it.
        Added replacement(keyName(section, k).toByteArray() + '=' + value);
        if (replacement.parsed.section) return false;
        if (k < static_cast<int>(section.keys.size()))
            replaced_[static_cast<size_t>(section.keys[static_cast<size_t>(k)])] = std::move(replacement.line);
        else
            section.added[static_cast<size_t>(k) - section.keys.size()] = std::move(replacement);
        return true;
    }

    QByteArray bytes() const {
        const QByteArray& content = text_.content_;
        QByteArray out;
        out.reserve(content.size() + content.size() / 8 + 256);
        for (size_t i = 0; i < text_.lines_.size(); ++i) {
            const Line& line = text_.lines_[i];
            QByteArrayView terminator(content.constData() + line.end, line.next - line.end);
            if (replaced_[i].isNull())
                out.append(content.constData() + line.begin, line.next - line.begin);
            else
                out.append(replaced_[i]).append(terminator);
            if (addedAfter_[i] < 0) continue;
            const Section& section = sections_[static_cast<size_t>(addedAfter_[i])];
            if (section.added.empty()) continue;
            if (terminator.isEmpty()) {
                // The file's last line had no line break: it gets one, and so do the new lines.
                out.append("\r\n");
                terminator = QByteArrayView("\r\n");
            }
            for (const Added& added : section.added) out.append(added.line).append(terminator);
        }
        bool first = true;
        for (const Section& section : sections_) {
            if (section.header >= 0) continue;
            if (first && !out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r')) out.append("\r\n");
            first = false;
            out.append(section.headerLine).append("\r\n");
            for (const Added& added : section.added) out.append(added.line).append("\r\n");
        }
        return out;
    }

private:
    // A line this batch wrote, parsed as the file will read it.
    struct Added {
        explicit Added(QByteArray bytes)
            : line(std::move(bytes)), parsed(parseLine(line.constData(), 0, line.size())) {}
        QByteArrayView name() const {
            return QByteArrayView(line.constData() + parsed.nameBegin, parsed.nameEnd - parsed.nameBegin);
        }
        QByteArray line;
        Line parsed;
    };
    struct Section {
        int header = -1;       // its line in the file; -1 for a section this batch appends
        QByteArray headerLine; // appended sections: "[name]" and its name as it reads
        QByteArray headerName;
        int lastContent = -1;  // the line after which added keys go
        std::vector<int> keys; // key lines of the file, in order
        std::vector<Added> added;
        NameIndex keyNames; // keys, then added lines; built on first use
        bool indexed = false;
    };

    QByteArrayView sectionName(int s) const {
        const Section& section = sections_[static_cast<size_t>(s)];
        if (section.header >= 0) return text_.nameOf(text_.lines_[static_cast<size_t>(section.header)]);
        return section.headerName;
    }
    QByteArrayView keyName(const Section& section, int k) const {
        if (k < static_cast<int>(section.keys.size()))
            return text_.nameOf(text_.lines_[static_cast<size_t>(section.keys[static_cast<size_t>(k)])]);
        return section.added[static_cast<size_t>(k) - section.keys.size()].name();
    }
    NameIndex& keyIndex(Section& section) const {
        if (!section.indexed) {
            section.indexed = true;
            for (int k = 0; k < static_cast<int>(section.keys.size()); ++k)
                section.keyNames.add(keyName(section, k), k);
            // Added lines were indexed as they were added (an appended section has no file keys).
        }
        return section.keyNames;
    }

    const ProfileText& text_;
    std::vector<QByteArray> replaced_; // per file line: its new bytes before the line break, or null
    std::vector<int> addedAfter_;      // per file line: the section whose added keys follow it, or -1
    std::vector<Section> sections_;    // the file's sections in order, then appended ones
    NameIndex sectionNames_;
};

QByteArray ProfileText::withValues(const std::vector<ValueWrite>& writes) const {
    std::unique_ptr<ProfileText> stepped; // the text after a write the batch could not follow
    auto batch = std::make_unique<Batch>(*this);
    for (const ValueWrite& write : writes) {
        if (batch->apply(write)) continue;
        auto next = std::make_unique<ProfileText>(
            ProfileText(batch->bytes(), codec_).withValue(write.section, write.key, write.value), codec_);
        batch = std::make_unique<Batch>(*next);
        stepped = std::move(next);
    }
    return batch->bytes();
}

bool readFile(const QString& path, QByteArray* content) { return platform::readFile(path, MaxFileSize, content); }

qint32 parseProfileInt(const QByteArray& value) {
    // The low 32 bits of the digits' value, with the sign applied in 32-bit arithmetic.
    const DigitScan s = scanDigits(value);
    const auto low = static_cast<quint32>(s.magnitude);
    return static_cast<qint32>(s.negative ? 0U - low : low);
}

} // namespace profile

} // namespace base
