// The parent's side of the language reader: the record stream it receives from the child, of
// any bytes. Decoding takes what is whole and never more columns or values than a record may hold,
// and the language table built from it keeps its bounds.
#include "lang/LanguageReader.h"

#include <cstdint>
#include <cstdlib>

using namespace lang;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray stream(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const RawLanguageTables tables = lang::decodeTables(stream);
    // Rows never have more values than the stream allows columns.
    for (const RawTable* t : {&tables.fonts, &tables.fontClasses, &tables.languages}) {
        if (t->columns.size() > 255) std::abort();
        for (const auto& row : t->rows)
            if (row.size() > 255) std::abort();
    }
    static LanguageTable table;
    table.build(tables);
    if (table.LanguageCount < 0 || table.LanguageCount > LanguageTable::MaxLanguages) std::abort();
    return 0;
}
