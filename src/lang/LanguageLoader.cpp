#include "lang/LanguageLoader.h"

#include "lang/LanguageReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace lang {

namespace {
qint64 residentBytes(qint64 pid) {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2) return 0;
    return fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE);
}
} // namespace

LoadOutcome loadLanguages(const QString& databasePath, const QString& readerExecutable, LanguageTable& table,
                          LoaderLimits limits) {
    LoadOutcome outcome;
    table.build(RawLanguageTables{});
    if (databasePath.isEmpty() || !QFileInfo(databasePath).isFile()) return outcome;

    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(readerExecutable, {QString::fromLatin1(ReaderArgument), databasePath}, QIODevice::ReadOnly);
    if (!child.waitForStarted(limits.deadlineMs)) return outcome;
    outcome.started = true;

    QByteArray stream;
    QElapsedTimer clock;
    clock.start();
    while (child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(20);
        stream += child.readAllStandardOutput();
        if (clock.elapsed() > limits.deadlineMs || residentBytes(child.processId()) > limits.maxResidentBytes) {
            child.kill();
            child.waitForFinished(1000);
            outcome.killed = true;
            break;
        }
        // More than the tables could ever hold in rows the program keeps: stop reading.
        if (stream.size() > 64 * 1024 * 1024) {
            child.kill();
            child.waitForFinished(1000);
            outcome.killed = true;
            break;
        }
    }
    stream += child.readAllStandardOutput();
    outcome.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    outcome.crashed = !outcome.killed && child.exitStatus() == QProcess::CrashExit;

    const RawLanguageTables tables = decodeTables(stream);
    outcome.complete = tables.complete;
    table.build(tables);
    return outcome;
}

} // namespace lang
