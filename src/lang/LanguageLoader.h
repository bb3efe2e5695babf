#pragma once
// LoadLanguages: reads Languages.mdb through the reader child process, bounded by a deadline and
// by the child's resident memory, and builds the language table from what arrived.

#include "lang/LanguageTable.h"

#include <QString>

namespace lang {

struct LoaderLimits {
    int deadlineMs = 5000;
    qint64 maxResidentBytes = 512LL * 1024 * 1024;
};

struct LoadOutcome {
    bool started = false;   // the child ran
    bool complete = false;  // it read to the end
    bool killed = false;    // it overran the deadline or the memory bound
    bool crashed = false;   // it died of a signal of its own
    int exitCode = -1;
};

// Reads `databasePath` with `readerExecutable` (normally the program's own file) and fills `table`
// with whatever was read, possibly nothing. Never throws, never hangs beyond the deadline.
LoadOutcome loadLanguages(const QString& databasePath, const QString& readerExecutable, LanguageTable& table,
                          LoaderLimits limits = {});

} // namespace lang
