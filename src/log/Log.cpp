#include "log/Log.h"

#include "base/AnsiCodec.h"
#include "platform/Os.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

#include <cmath>


QString Log::dateText() { return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat); }

QString Log::timeText() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")); }

void Log::LogSchreiben(const QString& text, bool systemLine, bool dataLine) {
    if (!((systemLine && switches_.system) || (dataLine && switches_.data))) return;
    qint64 size = -1;
    if (!platform::os().appendToFile(switches_.fileName, AnsiCodec::workstation().encode(text) + "\r\n", &size)) return;
    if (size > static_cast<qint64>(switches_.fileSizeKiB) * 1024) LogKuerzen();
}

void Log::LogKuerzen() {
    const QString logName = switches_.fileName;
    const QString tempName = logName + QLatin1String(".tmp");
    QFile log(logName);
    if (!log.open(QIODevice::ReadOnly)) return;
    const QByteArray old = log.readAll();
    log.close();

    // The cut starts at byte round(limit * 0.1), counted from 1; the line it falls into is dropped
    // whole, so the kept part starts at the first line that begins after that byte.
    const double exact = static_cast<double>(switches_.fileSizeKiB) * 1024.0 * 0.1;
    const qsizetype cut = static_cast<qsizetype>(std::nearbyint(exact)) - 1;
    qsizetype keep = old.size();
    for (qsizetype i = std::max<qsizetype>(cut, 0); i < old.size(); ++i) {
        if (old[i] == '\n') {
            keep = i + 1;
            break;
        }
        if (old[i] == '\r') {
            keep = (i + 1 < old.size() && old[i + 1] == '\n') ? i + 2 : i + 1;
            break;
        }
    }
    QByteArray rest = old.mid(keep);
    if (!rest.isEmpty() && !rest.endsWith('\n') && !rest.endsWith('\r')) rest += "\r\n";
    const QByteArray header =
        AnsiCodec::workstation().encode(dateText() + QLatin1String("; ") + timeText() + QLatin1String("; File size reduced")) +
        "\r\n";

    // Renaming the finished copy over the log replaces it in one step: the log is never missing
    // and never half-written, whatever fails.
    platform::os().replaceFileThrough(tempName, logName, header + rest);
}

void Log::system(const QString& message) {
    if (!switches_.system) return;
    LogSchreiben(QLatin1String("C System ") + dateText() + QLatin1String(" # ") + timeText() + QLatin1String(" # ") +
                     message,
                 true, false);
}

void Log::dataLine(int connection, const char* arrow, const QString& text) {
    if (!switches_.data) return;
    LogSchreiben(QLatin1Char('S') + QString::number(connection) + QLatin1String(arrow) + dateText() +
                     QLatin1String(" # ") + timeText() + QLatin1String(" # ") + text,
                 false, true);
}

void Log::dataReceived(int connection, const QString& text) { dataLine(connection, " -> C ", text); }

void Log::dataSent(int connection, const QString& text) { dataLine(connection, " <- C ", text); }

void Log::debug(QLatin1String name, QLatin1String suffix) {
    if (!debugOn()) return;
    LogSchreiben(QLatin1String("C Debug ") + name + suffix, true, true);
}

void Log::debugText(const QString& text) {
    if (!debugOn()) return;
    LogSchreiben(QLatin1String("C Debug ") + text, true, true);
}
