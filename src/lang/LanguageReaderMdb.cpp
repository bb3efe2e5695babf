// The child side of the language loader: libmdb reads the three tables and every row goes to the
// parent at once. Runs in a process of its own; nothing here may assume it survives the file.

#include "lang/LanguageReader.h"

#include "platform/Platform.h"

#include <mdbtools.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace lang {

namespace {
constexpr unsigned MaxColumns = 255; // Access allows 255; a damaged definition may claim more

void writeAll(int fd, const QByteArray& bytes) { platform::writeAll(fd, bytes.constData(), bytes.size()); }

// A table whose usage map is missing crashes libmdb 1.0.0 at the first row fetch.
bool usable(const MdbTableDef* table) { return table && table->usage_map && table->map_sz >= 1; }

void readTable(MdbHandle* mdb, const char* name, int out) {
    MdbTableDef* table = mdb_read_table_by_name(mdb, const_cast<gchar*>(name), MDB_TABLE);
    if (!usable(table) || !mdb_read_columns(table) || table->num_cols > MaxColumns || !table->columns) {
        writeAll(out, encodeTableMissing(QString::fromLatin1(name)));
        return;
    }
    const unsigned columns = std::min<unsigned>(table->num_cols, table->columns->len);
    QStringList names;
    for (unsigned c = 0; c < columns; ++c) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, c));
        names << QString::fromUtf8(column->name);
    }
    writeAll(out, encodeTableStart(QString::fromLatin1(name), names));

    const size_t bindSize = 16384;
    std::vector<std::vector<char>> buffers(columns, std::vector<char>(bindSize + 1, '\0'));
    std::vector<int> lengths(columns, 0);
    for (unsigned c = 0; c < columns; ++c)
        mdb_bind_column(table, static_cast<int>(c + 1), buffers[c].data(), &lengths[c]);
    mdb_rewind_table(table);
    // Rows beyond what the program keeps are never needed; the bound also ends damaged chains.
    for (int row = 0; row < 100000 && mdb_fetch_row(table); ++row) {
        QList<std::optional<QString>> values;
        for (unsigned c = 0; c < columns; ++c) {
            const int length = std::clamp(lengths[c], 0, static_cast<int>(bindSize));
            if (length == 0)
                values << std::nullopt; // NULL and "" read alike: neither gives a value
            else
                values << QString::fromUtf8(
                    buffers[c].data(), static_cast<int>(::strnlen(buffers[c].data(), static_cast<size_t>(length))));
        }
        writeAll(out, encodeRow(values));
    }
}
} // namespace

int runLanguageReader(const char* path, int out) {
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) {
        writeAll(out, encodeEnd());
        return 0;
    }
    // Check the catalog's own definition (page 2) before reading the catalog with it.
    MdbCatalogEntry catalog{};
    catalog.mdb = mdb;
    catalog.object_type = MDB_TABLE;
    catalog.table_pg = 2;
    std::strcpy(catalog.object_name, "MSysObjects");
    MdbTableDef* catalogTable = mdb_read_table(&catalog);
    const bool catalogUsable = usable(catalogTable);
    if (catalogTable) mdb_free_tabledef(catalogTable);
    if (catalogUsable && mdb_read_catalog(mdb, MDB_TABLE)) {
        for (const char* name : {"TidxFonts", "TidxFontClasses", "LookupLanguages"}) readTable(mdb, name, out);
    }
    writeAll(out, encodeEnd());
    return 0;
}

bool isReaderInvocation(int argc, char** argv, int* status) {
    if (argc < 3 || std::strcmp(argv[1], ReaderArgument) != 0) return false;
    // The record stream gets its own descriptor; whatever the library prints goes to stderr.
    const int out = ::dup(1);
    ::dup2(2, 1);
    *status = runLanguageReader(argv[2], out);
    ::close(out);
    return true;
}

} // namespace lang
