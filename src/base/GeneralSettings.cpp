#include "base/GeneralSettings.h"

#include "base/ProgramPaths.h"
#include "base/Settings.h"

#include <algorithm>

namespace base {

namespace {
const QString General = QStringLiteral("General");
}

LogSwitches readLogSwitches(const ProgramPaths& paths) {
    const SettingsSnapshot file(paths.settingsFile());
    LogSwitches log;
    log.system = file.readBool(General, QStringLiteral("LogSystem"));
    log.data = file.readBool(General, QStringLiteral("LogData"));
    log.debug = file.readBool(General, QStringLiteral("LogDebug"));
    log.fileSizeKiB = file.readInt(General, QStringLiteral("LogFileSize"));
    if (log.fileSizeKiB < 10 || log.fileSizeKiB > 2000) log.fileSizeKiB = 100;
    QString name = file.readString(General, QStringLiteral("LogFileName"));
    // The Windows default C:\DizaVizaru.txt lives in the program directory here.
    if (name.isEmpty()) name = QStringLiteral("DizaVizaru.txt");
    log.fileName = paths.resolve(name);
    return log;
}

void readLanguageSettings(const ProgramPaths& paths, GeneralSettings& settings) {
    const SettingsSnapshot file(paths.settingsFile());
    settings.lcId = file.readInt(General, QStringLiteral("LcId"));
    settings.codePage = file.readInt(General, QStringLiteral("CodePage"));
    settings.fontName = file.readString(General, QStringLiteral("FontName"));
    if (settings.lcId < 1) {
        settings.lcId = 1033;
        settings.codePage = 1252;
    }
    if (settings.fontName.isEmpty()) settings.fontName = QStringLiteral("Arial Unicode MS");
}

HistorySettings readHistorySettings(const ProgramPaths& paths) {
    const SettingsSnapshot file(paths.settingsFile());
    HistorySettings history;
    // A key that is missing or empty reads as -1.
    const int days = file.readInt(General, QStringLiteral("HistoryDays"));
    history.days = days < 0 || days > 3650 ? 90 : days;
    const int maxMiB = file.readInt(General, QStringLiteral("HistoryMaxMiB"));
    history.maxMiB = maxMiB == -1 ? 1024 : std::max(16, maxMiB);
    return history;
}

} // namespace base
