#pragma once
// The settings of section "General" that the program keeps in memory for the whole run.

#include <QString>

#include <cstdint>

namespace base {

struct LogSwitches {
    bool system = false;
    bool data = false;
    bool debug = false;
    int32_t fileSizeKiB = 100; // 10..2000
    QString fileName;          // resolved path of the log file
};

struct GeneralSettings {
    int32_t lcId = 1033;
    int32_t codePage = 1252;
    QString fontName = QStringLiteral("Arial Unicode MS");
    int32_t charSet = 0; // character set of the current language
    bool ostrelPresent = false;
};

// How much event history the station keeps (the keys are read, never written).
struct HistorySettings {
    int days = 90;     // 0: no history is recorded
    int maxMiB = 1024; // the file's cap
};

class ProgramPaths;

// Reads the log switches and limits: "LogSystem", "LogData", "LogDebug", "LogFileSize" (below 10
// or above 2000: 100) and "LogFileName" (empty: DizaVizaru.txt in the program directory).
LogSwitches readLogSwitches(const ProgramPaths& paths);

// Reads "LcId", "CodePage" and "FontName" into `settings`: an LcId below 1 becomes 1033 with code
// page 1252, an empty font name "Arial Unicode MS".
void readLanguageSettings(const ProgramPaths& paths, GeneralSettings& settings);

// Reads "HistoryDays" (missing, below 0 or above 3650: 90; 0 switches the history off) and
// "HistoryMaxMiB" (missing: 1024; below 16: 16).
HistorySettings readHistorySettings(const ProgramPaths& paths);

} // namespace base
