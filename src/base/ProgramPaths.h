#pragma once
// Where the program's files are: its directory and the settings file named after it. The paths
// are composed anew at every access; tests point them at a temporary directory.

#include <QString>

namespace base {

class ProgramPaths {
public:
    ProgramPaths(QString directory, QString programName);

    // The running executable's directory and name.
    static ProgramPaths current();

    const QString& directory() const { return directory_; }
    const QString& programName() const { return programName_; }

    // <directory>/<program name>.ini
    QString settingsFile() const;

    // A file name from the settings file: absolute paths stay, anything else (a Windows path such
    // as C:\x.txt included) is taken relative to the program directory.
    QString resolve(const QString& fileName) const;

private:
    QString directory_;
    QString programName_;
};

} // namespace base
