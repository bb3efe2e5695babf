#pragma once
// The diagnostics log: system lines, data lines and debug lines, each kind switched on in the
// settings file, in one plain-text file that is cut at its oldest end when it passes its limit.
// The file is opened, appended to and closed for every line, so other programs may read, move
// or delete it between lines. A log that cannot be written loses its lines silently.

#include "base/GeneralSettings.h"

#include <QByteArray>
#include <QString>

class Log {
public:
    Log() = default;
    explicit Log(LogSwitches switches) : switches_(std::move(switches)) {}

    void configure(LogSwitches switches) { switches_ = std::move(switches); }
    const LogSwitches& switches() const { return switches_; }

    bool debugOn() const { return switches_.debug && (switches_.system || switches_.data); }
    bool dataOn() const { return switches_.data; }
    bool systemOn() const { return switches_.system; }

    // Appends `text` as one line when (systemLine and LogSystem) or (dataLine and LogData).
    void LogSchreiben(const QString& text, bool systemLine, bool dataLine);

    // Cuts the oldest tenth of the limit (to the next line start) and puts a header line first.
    void LogKuerzen();

    // "C System <date> # <time> # <message>"
    void system(const QString& message);
    // "S<n> -> C <date> # <time> # <text>" and "S<n> <- C ..."
    void dataReceived(int connection, const QString& text);
    void dataSent(int connection, const QString& text);
    // "C Debug <text>", only built when debug lines are on.
    void debug(QLatin1String name, QLatin1String suffix);
    void debugText(const QString& text);

    static QString dateText();
    static QString timeText();

private:
    void dataLine(int connection, const char* arrow, const QString& text);
    LogSwitches switches_;
};

// Writes "C Debug <name> Start" now and "C Debug <name> End" when the scope is left, on every
// path out of a handler.
class DebugScope {
public:
    DebugScope(Log& log, const char* name) : log_(log), name_(name) {
        if (log_.debugOn()) log_.debug(QLatin1String(name_), QLatin1String(" Start"));
    }
    ~DebugScope() {
        if (log_.debugOn()) log_.debug(QLatin1String(name_), QLatin1String(" End"));
    }
    DebugScope(const DebugScope&) = delete;
    DebugScope& operator=(const DebugScope&) = delete;

private:
    Log& log_;
    const char* name_;
};
