#pragma once
// Reading Languages.mdb happens in a short-lived child process: the database library can crash
// or loop on a damaged file, and the program must go on with the entries it got.
//
// The child is the program's own executable started with ReaderArgument and the file's path; it
// writes the three tables to its standard output as a stream of records, flushed row by row, so
// that everything read before a failure reaches the parent.

#include "lang/LanguageTable.h"

#include <QByteArray>
#include <QString>

namespace lang {

inline constexpr const char* ReaderArgument = "--vrr-read-languages";

// The child's work: reads the database at `path` and writes the records to file descriptor
// `out`. Returns the process exit status. Called from main() before any Qt object exists.
int runLanguageReader(const char* path, int out);

// If argv asks for the reader, runs it and returns true (with the exit status in *status).
bool isReaderInvocation(int argc, char** argv, int* status);

// Record stream, shared by both sides.
QByteArray encodeTableStart(const QString& name, const QStringList& columns);
QByteArray encodeTableMissing(const QString& name);
QByteArray encodeRow(const QList<std::optional<QString>>& values);
QByteArray encodeEnd();

// Decodes as many whole records as `stream` holds; a damaged or cut-off tail is ignored.
RawLanguageTables decodeTables(const QByteArray& stream);

} // namespace lang
