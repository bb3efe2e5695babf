#include "base/ProgramPaths.h"

#include "platform/Platform.h"

namespace base {

ProgramPaths::ProgramPaths(QString directory, QString programName)
    : directory_(std::move(directory)), programName_(std::move(programName)) {}

ProgramPaths ProgramPaths::current() { return ProgramPaths(platform::programDirectory(), platform::programName()); }

QString ProgramPaths::settingsFile() const {
    return directory_ + QLatin1Char('/') + programName_ + QLatin1String(".ini");
}

QString ProgramPaths::resolve(const QString& fileName) const {
    if (fileName.startsWith(QLatin1Char('/'))) return fileName;
    return directory_ + QLatin1Char('/') + fileName;
}

} // namespace base
