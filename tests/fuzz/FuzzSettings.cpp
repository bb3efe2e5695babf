// A settings file of any bytes: reading never fails, and a key written into it reads back as
// written (within the file's rules) while every other key probed reads as before.
#include "base/Profile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace base;

namespace {
const char* const Sections[] = {"General", "Ma0", "Ma63", "Table", "a]b", "\xD0\x93"};
const char* const Keys[] = {"Text", "LcId", "Size0", "Group3", "K", "\xD0\xB3"};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const QString section = QString::fromUtf8(Sections[data[0] % 6]);
    const QString key = QString::fromUtf8(Keys[data[1] % 6]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    const profile::MarkedText marked = profile::unmark(bytes);
    const AnsiCodec& codec = profile::codecFor(marked.mark);
    const profile::ProfileText text(marked.text, codec);

    // The written value: plain, so that trimming and quotes do not change it.
    const QByteArray value = "v" + QByteArray::number(size) + "x";
    const QByteArray written = text.withValue(section, key, value);
    const profile::ProfileText after(written, codec);
    const auto back = after.value(section, key);
    if (!back || *back != value) std::abort();
    // The same write made by a batch gives the same bytes.
    if (text.withValues({{section, key, value}}) != written) std::abort();
    // Every other probed key reads as before.
    for (const char* s : Sections)
        for (const char* k : Keys) {
            const QString os = QString::fromUtf8(s), ok = QString::fromUtf8(k);
            if (os.compare(section, Qt::CaseInsensitive) == 0 && ok.compare(key, Qt::CaseInsensitive) == 0) continue;
            if (text.value(os, ok) != after.value(os, ok)) std::abort();
        }
    // The marked form round-trips.
    if (profile::unmark(profile::remark({marked.mark, written})).text != written &&
        marked.mark == profile::TextMark::None)
        std::abort();
    return 0;
}
