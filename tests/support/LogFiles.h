#pragma once
// A log file as a reader finds it once every log of this process has written what waits.

#include "log/Log.h"

#include "TestUtil.h"

#include <QFile>
#include <QStringList>

namespace testutil {

// The lines (CR LF separated), without the empty one after the last line end.
inline QStringList logLines(const QString& path) {
    logfile::Log::flushAll();
    QStringList lines = QString::fromLatin1(readBytes(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// Deletes the file, so that what follows starts a new one.
inline void removeLog(const QString& path) {
    logfile::Log::flushAll();
    QFile::remove(path);
}

} // namespace testutil
