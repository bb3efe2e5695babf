#pragma once
// LoadLanguages: reads Languages.mdb through the reader child process, bounded by a deadline and
// by the child's resident memory, and builds the language table from what arrived.

#include "lang/LanguageTable.h"
#include "platform/Os.h"

#include <QString>

namespace lang {

// The child's deadline, memory and output bounds.
using LoaderLimits = platform::ChildLimits;

struct LoadOutcome : platform::ChildOutcome {
    bool complete = false; // the child read to the end
};

// Reads `databasePath` with `readerExecutable` (normally the program's own file) and fills `table`
// with whatever was read, possibly nothing. Never throws, never hangs beyond the deadline.
LoadOutcome loadLanguages(const QString& databasePath, const QString& readerExecutable, LanguageTable& table,
                          LoaderLimits limits = {});

} // namespace lang
