#pragma once
// What the History window's filter row chooses, and how that becomes a store query: the machines
// (the whole line, a group's machines or one machine), the range (a length that ends now, or a
// fixed from-to), the status codes, connection rows on or off and a text the status text holds.
// Needs no window.

#include "base/LineLayout.h"
#include "store/Query.h"

#include <QString>

#include <optional>
#include <vector>

namespace records {

// Which machines the window shows.
struct MachineChoice {
    enum class Kind { Line, Group, Machine };
    Kind kind = Kind::Line;
    int index = -1; // the group (0..31) or the slot (0..63); -1 for the line

    static MachineChoice line() { return {}; }
    static MachineChoice group(int group) { return {Kind::Group, group}; }
    static MachineChoice machine(int slot) { return {Kind::Machine, slot}; }
    bool operator==(const MachineChoice& other) const { return kind == other.kind && index == other.index; }
    bool operator!=(const MachineChoice& other) const { return !(*this == other); }
};

enum class RangeChoice { LastHour, Shift, Day, Week, FromTo };
constexpr int RangeChoices = 5;

// The length of a range that ends now; 0 for FromTo.
qint64 rangeLengthMs(RangeChoice range);
QString rangeCaption(RangeChoice range);

// The status codes the filter's chips stand for (0..6).
constexpr int StatusChips = 7;
constexpr unsigned AllStatuses = (1u << StatusChips) - 1;

struct Filter {
    MachineChoice machine;
    RangeChoice range = RangeChoice::Shift;
    qint64 fromMs = 0; // FromTo only
    qint64 toMs = 0;
    unsigned statuses = AllStatuses; // bit s: status rows that set status s
    bool connections = true;
    QString text;
};

// The range a filter covers at `nowMs`: a range that ends now ends at `nowMs`; a fixed one ends
// no later than that (time in state has no future).
struct TimeRange {
    qint64 fromMs = 0;
    qint64 toMs = 0;
    bool endsNow = true;
};
TimeRange resolveRange(const Filter& filter, qint64 nowMs);

// The slotList whose rows the choice shows: the slot, every slot the layout puts in the group, none
// for the line (which shows every row, the station's and the settings' ones too).
std::vector<int> rowSlots(const MachineChoice& choice, const base::LineLayout& layout);
// The machines whose time in state the bar sums: the slot, or the enabled machines of the group or
// of the line.
std::vector<int> stateSlots(const MachineChoice& choice, const base::LineLayout& layout);

// The store query for the filter at `nowMs`, newest first, one page; none when no row can match
// (a group without machines, a range that ends before it begins). A range that ends now has no
// upper bound, so that rows recorded later still match.
std::optional<store::Query> toQuery(const Filter& filter, const base::LineLayout& layout, qint64 nowMs);

// "Filler", "group Filling", "line": what the window's title and the time-in-state caption name.
QString choiceName(const MachineChoice& choice, const base::LineLayout& layout);
// The caption of the choice in the machine list: "Whole line", "Group 3 - Filling", "4 - Filler".
QString choiceCaption(const MachineChoice& choice, const base::LineLayout& layout);
// The main window's menu entries that open the window: "History of Filler…",
// "History of group Filling…", "Line history…".
QString menuText(const MachineChoice& choice, const base::LineLayout& layout);
// The choices the machine list offers: the line, the groups that have machines, the enabled
// machines, and `keep` when it is none of these (a slot the window was opened for).
std::vector<MachineChoice> machineChoices(const base::LineLayout& layout, const MachineChoice& keep);

// The file name the export suggests: "history-<name>-<yyyyMMdd-HHmm>.csv", with characters a file
// name should not hold replaced by "_".
QString suggestedFileName(const MachineChoice& choice, const base::LineLayout& layout, qint64 nowMs);

} // namespace records
