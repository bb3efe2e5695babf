#include "editors/SymbolCatalog.h"

#include "base/Numbers.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

using namespace base;

namespace editors {

std::optional<int16_t> SymbolCatalog::numberFromName(const QString& name) {
    const qsizetype first = name.indexOf(QLatin1Char('_'));
    QStringView rest = QStringView(name).mid(first < 0 ? name.size() : first + 1);
    const qsizetype next = rest.indexOf(QLatin1Char('_'));
    if (next >= 0) rest = rest.left(next);
    const DigitScan s = scanDigits(rest, Blanks::Space);
    if (s.huge || s.magnitude > 32768) return std::nullopt;
    const qint64 value = s.negative ? -static_cast<qint64>(s.magnitude) : static_cast<qint64>(s.magnitude);
    if (value < INT16_MIN || value > INT16_MAX) return std::nullopt;
    return static_cast<int16_t>(value);
}

SymbolCatalog SymbolCatalog::list(const QString& programDirectory) {
    SymbolCatalog catalog;
    catalog.fallback_ =
        platform::findPathNoCase(programDirectory, QStringLiteral("MachineSymbols/MachineSymbol_0_800.gif"));
    const QString folder = platform::findPathNoCase(programDirectory, QStringLiteral("MachineSymbols"));
    if (folder.isEmpty()) return catalog;
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        if (catalog.count_ == Capacity) break;
        const QString name = entry.fileName();
        if (!name.startsWith(QLatin1String("MachineSymbol_"), Qt::CaseInsensitive) ||
            !name.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive) || !entry.isFile())
            continue;
        const std::optional<int16_t> number = numberFromName(name);
        if (!number) continue;
        catalog.files_[static_cast<size_t>(catalog.count_)] = entry.absoluteFilePath();
        catalog.numbers_[static_cast<size_t>(catalog.count_)] = *number;
        ++catalog.count_;
    }
    // The exchange sort: for every pair (i, j), the entries at i and j change places when the
    // number at i is smaller. It ends in ascending order of numbers, but does not keep the name
    // order of equal numbers: _10_1024, _10_800, _9_800 end as 9_800, 10_800, 10_1024.
    const size_t n = static_cast<size_t>(catalog.count_);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            if (catalog.numbers_[i] < catalog.numbers_[j]) {
                std::swap(catalog.numbers_[i], catalog.numbers_[j]);
                std::swap(catalog.files_[i], catalog.files_[j]);
            }
    return catalog;
}

int SymbolCatalog::scrollMaximum() const {
    const int rows = count_ > 0 ? (count_ - 1) / Columns : 0;
    return std::max(0, rows - (Rows - 1));
}

} // namespace editors
