#pragma once
// What the Settings versions window says of a version, without a window: the changes grouped by
// section with the machine's name beside its section, group numbers with their names, and the
// column widths as one line; and what a restore of a version would change in the current file.

#include "base/SettingsDiff.h"
#include "store/Version.h"

#include <QStringList>

#include <vector>

namespace records {

// One line per changed key ("Ma12 (Filler 2): Address 10.0.0.5 → 10.0.0.6"), the widths of
// [Table] in one line, in the order the sections first appear.
QStringList changeLines(const store::Version& version);

// The layout keys whose value the current file (`current`) would change to the version's
// (`version`) by a restore: oldValue is the current one, newValue the version's (empty: missing).
std::vector<base::SettingChange> restorePreview(const QByteArray& current, const QByteArray& version);

// The same as lines: "Ma3 (Capper): Address 10.0.0.7 → 10.0.0.3".
QStringList previewLines(const std::vector<base::SettingChange>& changes, const QByteArray& version);

} // namespace records
