#pragma once
// The machine symbol files a user can pick from: every plain file "MachineSymbol_<n>_*.gif" in the
// program's MachineSymbols folder (folder and names matched without regard to case), with the
// number taken from the name. The directory's own order is arbitrary on Linux, so the names are
// first sorted without regard to case; then the entries are put in ascending order of number by
// an exchange sort, which does not keep the name order of equal numbers. At most 100 entries
// are kept; a name whose number does not fit 16 bits is skipped. Needs no window.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace editors {

class SymbolCatalog {
public:
    static constexpr int Capacity = 100;
    // The picker shows 5 rows of 4 pictures.
    static constexpr int Columns = 4;
    static constexpr int Rows = 5;
    static constexpr int Places = Columns * Rows;

    // Lists the folder of `programDirectory` afresh.
    static SymbolCatalog list(const QString& programDirectory);

    int count() const { return count_; }
    // Full path and number at position k (0..99): empty and 0 beyond the listed entries.
    QString file(int k) const { return inRange(k) ? files_[static_cast<size_t>(k)] : QString(); }
    int16_t number(int k) const { return inRange(k) ? numbers_[static_cast<size_t>(k)] : int16_t(0); }
    // The last first row the scroll bar offers: the last row of files at the bottom.
    int scrollMaximum() const;
    // The image of symbol 0, shown in places without a listed file (empty when there is none).
    const QString& fallback() const { return fallback_; }

    // The number in a file name: the text after its first "_" up to the next "_" (or the end),
    // read as a decimal number (0 when it does not start with one); nullopt when it does not fit 16
    // bits.
    static std::optional<int16_t> numberFromName(const QString& name);

private:
    static bool inRange(int k) { return k >= 0 && k < Capacity; }
    std::array<QString, Capacity> files_;
    std::array<int16_t, Capacity> numbers_{};
    int count_ = 0;
    QString fallback_;
};

} // namespace editors
